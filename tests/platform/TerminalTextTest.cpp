#include <gtest/gtest.h>

#include "platform/TerminalText.h"

namespace {

TEST(TerminalText, ControlCharactersAreEscapedWhereverThePiecesAreCut) {
  const std::pair<QByteArray, QByteArray> cases[] = {
      {"plain text\tkept\n", "plain text\tkept\n"},
      {"\x1B]0;owned\x07", "\\x1B]0;owned\\x07"},
      {"line\r\nend\r", "line\r\nend\\x0D"},
      {"over\rwrite", "over\\x0Dwrite"},
      {QByteArray("nul\0del\x7F", 8), "nul\\x00del\\x7F"},
      {"csi \xC2\x9B" "2J and \xC2\xB5m", "csi \\x9B2J and \xC2\xB5m"},  // C1 escaped, the micro sign kept
      {"\xC2", "\xC2"},                                                 // a lone lead byte at the end passes
  };
  for (const auto& [in, expected] : cases) {
    ControlEscaper whole;
    QByteArray all = whole.feed(in);
    all += whole.finish();
    EXPECT_EQ(all, expected) << in.toStdString();
    ControlEscaper bytewise;
    QByteArray out;
    for (const char c : in) out += bytewise.feed(QByteArrayView(&c, 1));
    out += bytewise.finish();
    EXPECT_EQ(out, expected) << in.toStdString();
  }
  EXPECT_EQ(escapeControls(QStringLiteral("Serial \x1B[2J")), QStringLiteral("Serial \\x1B[2J"));
}

}  // namespace

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

#include "platform/RtfReader.h"

namespace {

QString plainText(const QByteArray& rtf, QString* problem = nullptr) {
  QTextDocument document;
  const QString found = RtfReader::read(rtf, document);
  if (problem) *problem = found;
  return document.toPlainText();
}

// The first fragment of the document that holds `text`.
QTextFragment fragmentWith(const QTextDocument& document, const QString& text) {
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
    for (auto it = block.begin(); !it.atEnd(); ++it)
      if (it.fragment().text().contains(text)) return it.fragment();
  return {};
}

TEST(RtfReaderTest, TextEscapesAndSkippedParts) {
  struct Case {
    const char* rtf;
    QString text;
  };
  const std::vector<Case> cases = {
      {"{\\rtf1 Plain\\par}", QStringLiteral("Plain")},
      {"{\\rtf1 One\\par Two\\line three}", QStringLiteral("One\nTwo\nthree")},
      {"{\\rtf1 a\\{b\\}c\\\\d}", QStringLiteral("a{b}c\\d")},
      {"{\\rtf1 caf\\'e9 \\'93q\\'94}", QStringLiteral("caf\u00e9 \u201cq\u201d")},
      {"{\\rtf1\\uc1 \\u8226?\\tab x \\u-4064?}", QStringLiteral("\u2022\tx \uf020")},
      {"{\\rtf1\\uc2 \\u233\\'65\\'65 t}", QStringLiteral("\u00e9 t")},
      {"{\\rtf1 \\unknownword12 a\\another b}", QStringLiteral("ab")},
      {"{\\rtf1{\\*\\unknowndestination hidden}shown}", QStringLiteral("shown")},
      {"{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\info{\\title T}}{\\stylesheet{\\s0 Normal;}}Body}", QStringLiteral("Body")},
      {"{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}}", QStringLiteral("link")},
      {"{\\rtf1 a\\bin3 {}}b}", QStringLiteral("ab")},
      {"{\\rtf1 {\\pntext 1.\\tab}First\\par}", QStringLiteral("1.\tFirst")},
  };
  for (const Case& c : cases) {
    QString problem;
    EXPECT_EQ(plainText(c.rtf, &problem), c.text) << c.rtf;
    EXPECT_TRUE(problem.isEmpty()) << c.rtf;
  }
}

TEST(RtfReaderTest, CharacterAndParagraphFormats) {
  QTextDocument document;
  ASSERT_TRUE(RtfReader::read("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\pard\\qc\\b Bold\\b0  {\\i it} after"
                              "\\par\\pard\\li720\\fi-360 \\ul u\\ulnone  \\fs40 big \\cf1 red\\plain  plain\\par}",
                              document)
                  .isEmpty());
  EXPECT_EQ(fragmentWith(document, QStringLiteral("Bold")).charFormat().fontWeight(), QFont::Bold);
  EXPECT_TRUE(fragmentWith(document, QStringLiteral("it")).charFormat().fontItalic());
  EXPECT_FALSE(fragmentWith(document, QStringLiteral("after")).charFormat().fontItalic());  // the group ended
  EXPECT_TRUE(fragmentWith(document, QStringLiteral("u")).charFormat().fontUnderline());
  EXPECT_EQ(fragmentWith(document, QStringLiteral("big")).charFormat().fontPointSize(), 20);
  EXPECT_EQ(fragmentWith(document, QStringLiteral("red")).charFormat().foreground().color(), QColor(255, 0, 0));
  EXPECT_EQ(fragmentWith(document, QStringLiteral("plain")).charFormat().fontPointSize(), 12);
  EXPECT_EQ(document.begin().blockFormat().alignment(), Qt::AlignHCenter);
  EXPECT_EQ(document.begin().next().blockFormat().leftMargin(), 48);
  EXPECT_EQ(document.begin().next().blockFormat().textIndent(), -24);
}

TEST(RtfReaderTest, DamagedDocumentsGiveWhatCouldBeReadAndSaySo) {
  const std::vector<std::pair<QByteArray, QString>> cases = {
      {"{\\rtf1 Kept\\par Cut here", QStringLiteral("The file ends before its document does; what could be read is shown.")},
      {"{\\rtf1 Kept\\par}} more", QStringLiteral("The file's groups do not match; what could be read is shown.")},
      {"Kept, but plain text", QStringLiteral("This file is not a rich-text (RTF) document; its text is shown as it is.")},
      {"{\\rtf1 Kept\\'", QStringLiteral("The file ends before its document does; what could be read is shown.")},
      {"{\\rtf1 Kept\\u", QStringLiteral("The file ends before its document does; what could be read is shown.")},
  };
  for (const auto& [rtf, expected] : cases) {
    QString problem;
    EXPECT_TRUE(plainText(rtf, &problem).startsWith(QLatin1String("Kept"))) << rtf.constData();
    EXPECT_EQ(problem, expected) << rtf.constData();
  }
}

// Our tutorial as LibreOffice Writer saves it: a word processor's RTF with
// its font and style tables, generator, page styles and many control words.
class LibreOfficeRtfTest : public ::testing::Test {
 protected:
  QByteArray convertedTutorial() {
    const QString source = QStringLiteral(LUMIVANE_SOURCE_DIR "/data/Lumivane QX Tutorial.rtf");
    const QString input = QDir(work.path()).filePath(QStringLiteral("in/Lumivane QX Tutorial.rtf"));
    QDir(work.path()).mkpath(QStringLiteral("in"));
    if (!QFile::copy(source, input)) return {};
    QProcess soffice;
    soffice.start(QStringLiteral("soffice"),
                  {QStringLiteral("-env:UserInstallation=file://") + QDir(work.path()).filePath(QStringLiteral("profile")),
                   QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("rtf"),
                   QStringLiteral("--outdir"), QDir(work.path()).filePath(QStringLiteral("out")), input});
    if (!soffice.waitForFinished(180000)) return {};
    QFile converted(QDir(work.path()).filePath(QStringLiteral("out/Lumivane QX Tutorial.rtf")));
    return converted.open(QIODevice::ReadOnly) ? converted.readAll() : QByteArray();
  }
  QTemporaryDir work;
};

TEST_F(LibreOfficeRtfTest, ReadsTheTutorialLibreOfficeWroteWholeOrTruncated) {
  if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
    GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  const QByteArray rtf = convertedTutorial();
  ASSERT_FALSE(rtf.isEmpty()) << "LibreOffice did not convert the tutorial";
  ASSERT_TRUE(rtf.contains("LibreOffice"));

  QTextDocument document;
  EXPECT_EQ(RtfReader::read(rtf, document), QString());
  const QString text = document.toPlainText();
  EXPECT_TRUE(text.startsWith(QStringLiteral("Lumivane QX Tutorial\n"))) << text.left(200).toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("\u2022\tthe incubation delay, in minutes;")));
  EXPECT_FALSE(text.contains(QLatin1String("Times New Roman")));  // the font table is not text
  EXPECT_FALSE(text.contains(QLatin1String("Default Page Style")));
  const QTextFragment title = fragmentWith(document, QStringLiteral("Lumivane QX Tutorial"));
  EXPECT_EQ(title.charFormat().fontWeight(), QFont::Bold);
  EXPECT_EQ(title.charFormat().fontPointSize(), 20);
  EXPECT_EQ(title.charFormat().foreground().color(), QColor(31, 73, 125));
  EXPECT_EQ(document.begin().blockFormat().alignment(), Qt::AlignHCenter);
  EXPECT_TRUE(fragmentWith(document, QStringLiteral("2DimensionalFormat")).charFormat().fontItalic());
  EXPECT_EQ(fragmentWith(document, QStringLiteral("Tray In/Out")).charFormat().fontWeight(), QFont::Bold);

  // Cut anywhere, the document reads up to the cut and says it ends early.
  for (const double share : {0.2, 0.5, 0.9}) {
    QTextDocument truncated;
    const QString problem = RtfReader::read(rtf.left(static_cast<qsizetype>(rtf.size() * share)), truncated);
    EXPECT_EQ(problem, QStringLiteral("The file ends before its document does; what could be read is shown."));
    const QString read = truncated.toPlainText();
    EXPECT_TRUE(text.startsWith(read.left(read.size() - 8))) << share;
  }
}

}  // namespace

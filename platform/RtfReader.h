#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

// The rich-text box's loader: reads a rich-text (RTF) document, as word
// processors save it, into a text document. It keeps paragraphs, bold,
// italic and underline, font sizes, colours, alignment, indents and the
// numbers or bullets of simple lists; control words it does not know and
// destinations it does not show (fonts, styles, pictures, document
// information, ...) are skipped. A damaged document gives what could be read.
namespace RtfReader {

// Fills `document` and returns "" when the whole document was read, else
// what was wrong with it (the document then holds what could be read).
QString read(const QByteArray& rtf, QTextDocument& document);

}  // namespace RtfReader

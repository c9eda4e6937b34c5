#include "sim/ColumnReport.h"

#include "sim/ReplyFrames.h"

QByteArray ColumnReport::body() const {
  QByteArray text;
  text += last ? 'T' : 'N';
  text += QByteArray::number(run % 1000).rightJustified(3, '0');
  text += ReplyFrames::hex(static_cast<quint32>(column), 1);
  text += ReplyFrames::hex(static_cast<quint32>(epochSeconds), 8);
  text += ReplyFrames::hex(word, 4);
  for (qint64 reading : readings) text += QByteArray::number(reading) + ',';
  if (lastCommaMissing) text.chop(1);
  return text;
}

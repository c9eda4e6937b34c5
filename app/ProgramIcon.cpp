#include "app/ProgramIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace ProgramIcon {

QIcon icon() {
  QSvgRenderer renderer(QStringLiteral(":/icons/LumivaneQX.svg"));
  QIcon drawn;
  if (!renderer.isValid()) return drawn;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    drawn.addPixmap(pixmap);
  }
  return drawn;
}

}  // namespace ProgramIcon

#include "options/frmOptionsHabits.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

namespace frmOptionsHabits {

void apply(QDialog& dialog) {
  if (auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))) {
    ok->setAutoDefault(true);
    ok->setDefault(true);
  }
  for (QToolButton* arrow : dialog.findChildren<QToolButton*>())
    if (arrow->objectName().contains(QLatin1String("Spin"))) arrow->setFocusPolicy(Qt::NoFocus);
  for (const char* name : {"lblErrorsWereFixed", "lblDefaultsWereUsed", "lblStoreChanges"}) {
    if (auto* alert = dialog.findChild<QLabel*>(QLatin1String(name))) {
      QSizePolicy policy = alert->sizePolicy();
      policy.setRetainSizeWhenHidden(true);
      alert->setSizePolicy(policy);
    }
  }
}

}  // namespace frmOptionsHabits

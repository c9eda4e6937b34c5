// What is typed into an option's box and is not a number comes back as a
// correction in the correction colour; it is never taken as the number its
// leading digits (or none) would read as.
#include <QLabel>
#include <QLineEdit>

#include "options/OptionColors.h"
#include "tests/windows/DialogsFixture.h"

namespace {

class OptionsNonNumber : public DialogsFixture {
 protected:
  QLineEdit* edit(const QString& name) { return windows.optionsWindow().findChild<QLineEdit*>(name); }
};

TEST_F(OptionsNonNumber, ATextThatIsNoNumberIsShownAsACorrection) {
  windows.optionsWindow().tag = QStringLiteral("New template");
  files->choose(templatePath());
  windows.openWorkbookDialog().cmdCreateNewWorkbook_Click();
  ASSERT_TRUE(windows.store().WorkbookReady);

  // Each box holds 0 (or 1) in the template: "abc" and "0abc" read as that number by their leading digits.
  const std::pair<const char*, const char*> entries[] = {
      {"txtDelay", "abc"}, {"txtSettlingDelay", "0abc"}, {"txtIncubation", "inf"}, {"txtEjectionDelay", "nan"}};
  for (const auto& [box, typed] : entries) {
    SCOPED_TRACE(box);
    bool checked = false;
    insideOptions = [&, box = box, typed = typed](frmOptions& shown) {
      QLineEdit* field = edit(QLatin1String(box));
      ASSERT_NE(field, nullptr);
      field->setText(QString());
      field->insert(QLatin1String(typed));
      shown.cmdOK_Click();
      EXPECT_TRUE(shown.isVisible());
      EXPECT_EQ(field->text(), QStringLiteral("0"));
      EXPECT_EQ(field->palette().color(QPalette::Base), OptionColors::toQColor(OptionColors::kErrorFixed));
      EXPECT_TRUE(shown.findChild<QLabel*>(QStringLiteral("lblErrorsWereFixed"))->isVisible());
      EXPECT_FALSE(windows.runOptions().summary.startEnabled);
      shown.cmdOK_Click();  // the correction, stored
      EXPECT_FALSE(shown.isVisible());
      checked = true;
    };
    windows.optionsWindow().tag = QStringLiteral("Options button clicked");
    windows.optionsWindow().Showform();
    EXPECT_TRUE(checked);
    EXPECT_TRUE(windows.store().OptionsConfirmed);
  }
}

}  // namespace

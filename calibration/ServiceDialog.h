#pragma once

#include <QDialog>

// A service window: loaded when it is first shown after an unload (Form_Load),
// activated once per loading (Form_Activate), and closed by the operator only
// through its own Cancel button: the close box and Escape run that button's
// action instead. The program unloads it with unload().
class ServiceDialog : public QDialog {
  Q_OBJECT
 public:
  using QDialog::QDialog;

  // Loads the window if it is not loaded, then activates it once per loading.
  void Form_Activate();
  // The program's own unload: the window goes, and loads afresh when next shown.
  void unload();
  bool isLoaded() const { return loaded_; }

  // The close box and Escape.
  void reject() override;

 protected:
  virtual void Form_Load() = 0;
  virtual void activated() {}
  virtual void cancelClicked() = 0;
  void showEvent(QShowEvent* event) override;
  void ensureLoaded();

 private:
  bool loaded_ = false;
  bool activated_ = false;
  bool unloading_ = false;
};

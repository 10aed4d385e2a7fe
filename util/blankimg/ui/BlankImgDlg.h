// "BLANKIMG", the main dialog: narrow the drive table by system and controller, pick a disk
// type, read its geometry, and save a blank image of it through File, Save As.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <optional>

#include "DiskTable.h"
#include "ImageRun.h"
#include "ProgressDlg.h"

class QAction;
class QComboBox;
class QLineEdit;

namespace blankimg {

class BlankImgDlg : public QDialog {
  Q_OBJECT
 public:
  explicit BlankImgDlg(QWidget* parent = nullptr);

  // The outside world of a run, replaceable so tests need no modal boxes: the Save As box
  // (the chosen path, or nothing if cancelled), the error box, and the free-space query.
  std::function<std::optional<QString>(const QString& defaultName)> askSavePath;
  std::function<void(const QString& text)> showError;
  SpaceQuery spaceQuery = availableBytes;

  const DiskType* selectedRow() const { return selectedRow_; }
  const QString& lastPath() const { return lastPath_; }
  ProgressDlg& progressDlg() { return progressDlg_; }

 public slots:
  void cbSystemChange(int index);
  void cbControllerChange(int index);
  void cbDiskTypeChange(int index);
  void miSaveAsClick();
  void miExitClick();
  void miDiskTableClick();
  void miAboutClick();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
#ifdef Q_OS_WIN
  bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

 private:
  QWidget* createClientArea();
  void createMenus(QWidget* client);
  void addAboutToSystemMenu();
  void clearFields();
  void fillDiskTypeList();
  void showDiskInformation(const DiskType& row);
  std::optional<QString> runSaveAsBox(const QString& defaultName);

  QComboBox* cbSystem_ = nullptr;
  QComboBox* cbController_ = nullptr;
  QComboBox* cbDiskType_ = nullptr;
  QLineEdit* edDescription_ = nullptr;
  QLineEdit* edSize_ = nullptr;
  QLineEdit* edUnit_ = nullptr;
  QLineEdit* edBlocks_ = nullptr;
  QLineEdit* edSectors_ = nullptr;
  QLineEdit* edBlockSize_ = nullptr;
  QAction* miSaveAs_ = nullptr;

  const DiskType* const table_ = diskTable();
  const DiskType* selectedRow_ = nullptr;
  std::uint64_t imageSize_ = 0;
  QString lastPath_;
  ProgressDlg progressDlg_;
};

}  // namespace blankimg

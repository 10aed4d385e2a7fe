#include "BlankImgDlg.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QVBoxLayout>
#include <iostream>
#include <sstream>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#include "AboutDlg.h"
#include "Artwork.h"
#include "DialogUnits.h"
#include "DiskSelection.h"
#include "DiskTableDlg.h"

namespace blankimg {
namespace {

const QColor kTitleColour(33, 168, 231);
constexpr const char* kWebAddress = "blankimg.example.org";
constexpr const char* kNotice = "Free software for keeping DEC systems alive";

// The dialog's face below the menu: the controls sit on it, and it paints the two titles.
class ClientArea : public QWidget {
 public:
  ClientArea(QWidget* parent, const DialogUnits& du) : QWidget(parent) { setFixedSize(du.x(209), du.y(321)); }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QWidget::paintEvent(event);
    QPainter painter(this);
    painter.setPen(kTitleColour);
    painter.setBackgroundMode(Qt::TransparentMode);
    QFont title(QStringLiteral("Arial"), 24);
    painter.setFont(title);
    painter.drawText(QRect(120, 27, width() - 120, 60), Qt::AlignLeft | Qt::AlignTop,
                     QStringLiteral("KESTRA"));
    QFont address(QStringLiteral("Arial"));
    address.setPixelSize(20);
    address.setWeight(QFont::Bold);
    address.setUnderline(true);
    painter.setFont(address);
    painter.drawText(QRect(55, 476, width() - 55, 30), Qt::AlignLeft | Qt::AlignTop,
                     QString::fromLatin1(kWebAddress));
  }
};

QComboBox* dropDownList(QWidget* parent, const DialogUnits& du, const char* objectName, int y) {
  auto* list = new QComboBox(parent);
  list->setObjectName(QString::fromLatin1(objectName));
  du.place(list, 12, y, 186, 13);
  return list;
}

QLineEdit* readOnlyBox(QWidget* parent, const char* objectName, QRect rect, bool rightAligned) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(QString::fromLatin1(objectName));
  box->setReadOnly(true);
  box->setFocusPolicy(Qt::NoFocus);
  if (rightAligned) box->setAlignment(Qt::AlignRight);
  box->setGeometry(rect);
  return box;
}

void label(QWidget* parent, const DialogUnits& du, const char* text, int x, int y, int width) {
  auto* lb = new QLabel(QString::fromLatin1(text), parent);
  du.place(lb, x, y, width, 13);
  lb->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

}  // namespace

BlankImgDlg::BlankImgDlg(QWidget* parent) : QDialog(parent), progressDlg_(this) {
  setWindowTitle(QStringLiteral("BLANKIMG"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setFont(dialogFont(font()));
  setWindowIcon(applicationIcon());

  QWidget* client = createClientArea();
  createMenus(client);
  askSavePath = [this](const QString& name) { return runSaveAsBox(name); };
  showError = [this](const QString& text) {
    QMessageBox::critical(this, QString::fromLatin1(kErrorCaption), text);
  };
  addAboutToSystemMenu();

  cbSystem_->setCurrentIndex(kSelectSystem);
  cbController_->setCurrentIndex(kAllControllers);
  cbDiskType_->setCurrentIndex(0);
}

QWidget* BlankImgDlg::createClientArea() {
  const DialogUnits du(font());
  auto* client = new ClientArea(this, du);
  auto* emblem = new QLabel(client);
  emblem->setPixmap(emblemPixmap(48));
  emblem->setGeometry(du.x(29), du.y(13), 48, 48);
  auto* title = new QLabel(QStringLiteral("Disk Image generator for Windows"), client);
  title->setAlignment(Qt::AlignCenter);
  du.place(title, 23, 52, 156, 10);

  cbSystem_ = dropDownList(client, du, "cbSystem", 66);
  for (const char* entry : kSystemEntries) cbSystem_->addItem(QString::fromLatin1(entry));
  cbController_ = dropDownList(client, du, "cbController", 87);
  for (const char* entry : kControllerEntries) cbController_->addItem(QString::fromLatin1(entry));
  cbController_->setEnabled(false);
  cbDiskType_ = dropDownList(client, du, "cbDiskType", 108);
  cbDiskType_->addItem(QString::fromLatin1(kInitialDiskTypeEntry));
  cbDiskType_->setEnabled(false);
  edDescription_ = readOnlyBox(client, "edDescription", du.rect(12, 130, 186, 13), false);

  (new QGroupBox(QStringLiteral("Disk Information"), client))->setGeometry(du.rect(12, 148, 186, 55));
  label(client, du, "Size:", 19, 161, 22);
  edSize_ = readOnlyBox(client, "edSize", du.rect(41, 161, 29, 13), true);
  edUnit_ = readOnlyBox(client, "edUnit", du.rect(73, 161, 20, 13), false);
  label(client, du, "Number of blocks:", 95, 161, 59);
  edBlocks_ = readOnlyBox(client, "edBlocks", du.rect(154, 161, 37, 13), true);
  label(client, du, "Sectors:", 19, 180, 37);
  edSectors_ = readOnlyBox(client, "edSectors", du.rect(56, 180, 37, 13), true);
  label(client, du, "Block size:", 95, 180, 59);
  edBlockSize_ = readOnlyBox(client, "edBlockSize", du.rect(154, 180, 37, 13), true);

  auto* logo = new QLabel(client);
  logo->setGeometry(du.rect(22, 210, 167, 58));
  logo->setPixmap(logoPixmap(logo->width(), logo->height()));
  auto* notice = new QLabel(QString::fromLatin1(kNotice), client);
  notice->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  du.place(notice, 10, 272, 189, 10);

  connect(cbSystem_, &QComboBox::currentIndexChanged, this, &BlankImgDlg::cbSystemChange);
  connect(cbController_, &QComboBox::currentIndexChanged, this, &BlankImgDlg::cbControllerChange);
  connect(cbDiskType_, &QComboBox::currentIndexChanged, this, &BlankImgDlg::cbDiskTypeChange);
  return client;
}

void BlankImgDlg::createMenus(QWidget* client) {
  auto* menuBar = new QMenuBar(this);
  QMenu* file = menuBar->addMenu(tr("&File"));
  miSaveAs_ = file->addAction(tr("&Save As..."), this, &BlankImgDlg::miSaveAsClick);
  miSaveAs_->setObjectName(QStringLiteral("miSaveAs"));
  miSaveAs_->setEnabled(false);
  file->addAction(tr("&Exit"), this, &BlankImgDlg::miExitClick)->setObjectName(QStringLiteral("miExit"));
  QMenu* help = menuBar->addMenu(tr("&Help"));
  help->addAction(tr("&Disk Table"), this, &BlankImgDlg::miDiskTableClick)
      ->setObjectName(QStringLiteral("miDiskTable"));
  help->addAction(tr("&About"), this, &BlankImgDlg::miAboutClick)->setObjectName(QStringLiteral("miAbout"));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setMenuBar(menuBar);
  layout->addWidget(client);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

#ifdef Q_OS_WIN
// The window's system menu gets "&About BlankImg..." below a separator, as command 16.
constexpr UINT kAboutCommand = 16;

void BlankImgDlg::addAboutToSystemMenu() {
  HMENU menu = ::GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
  if (menu == nullptr) return;
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(menu, MF_STRING, kAboutCommand, L"&About BlankImg...");
}

bool BlankImgDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
  const auto* msg = static_cast<const MSG*>(message);
  if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == kAboutCommand) {
    miAboutClick();
    *result = 0;
    return true;
  }
  return QDialog::nativeEvent(eventType, message, result);
}
#else
// Window managers here offer no system menu to extend; Help, About does the same.
void BlankImgDlg::addAboutToSystemMenu() {}
#endif

void BlankImgDlg::clearFields() {
  for (QLineEdit* box : {edDescription_, edSize_, edUnit_, edBlocks_, edSectors_, edBlockSize_}) box->clear();
}

void BlankImgDlg::fillDiskTypeList() {
  {
    const QSignalBlocker quiet(cbDiskType_);
    cbDiskType_->clear();
    cbDiskType_->addItem(QString::fromLatin1(kRefilledDiskTypeEntry));
    for (const DiskType* row : rowsFor(cbSystem_->currentIndex(), cbController_->currentIndex()))
      cbDiskType_->addItem(QString::fromLatin1(row->name),
                           QVariant::fromValue(reinterpret_cast<quintptr>(row)));
    cbDiskType_->setCurrentIndex(0);
  }
  cbDiskTypeChange(0);
}

void BlankImgDlg::cbSystemChange(int index) {
  clearFields();
  {
    const QSignalBlocker quiet(cbController_);
    cbController_->setCurrentIndex(kAllControllers);
  }
  if (index != kSelectSystem) {
    cbDiskType_->setEnabled(true);
    cbController_->setEnabled(controllerListEnabled(index));
    fillDiskTypeList();
    return;
  }
  {
    const QSignalBlocker quiet(cbDiskType_);
    cbDiskType_->clear();
    cbDiskType_->addItem(QString::fromLatin1(kRefilledDiskTypeEntry));
    cbDiskType_->setCurrentIndex(0);
  }
  cbController_->setEnabled(false);
  cbDiskType_->setEnabled(false);
  cbDiskTypeChange(0);
}

void BlankImgDlg::cbControllerChange(int) {
  clearFields();
  fillDiskTypeList();
}

void BlankImgDlg::cbDiskTypeChange(int index) {
  clearFields();
  if (index <= 0) {
    miSaveAs_->setEnabled(false);
    selectedRow_ = nullptr;
    imageSize_ = 0;
    return;
  }
  selectedRow_ = reinterpret_cast<const DiskType*>(cbDiskType_->itemData(index).value<quintptr>());
  edDescription_->setText(QString::fromLatin1(selectedRow_->description));
  miSaveAs_->setEnabled(true);
  imageSize_ = imageSizeBytes(*selectedRow_);
  showDiskInformation(*selectedRow_);
}

void BlankImgDlg::showDiskInformation(const DiskType& row) {
  const DiskInformation info = diskInformation(row);
  edSize_->setText(QString::fromStdString(info.size));
  edUnit_->setText(QString::fromStdString(info.unit));
  edBlocks_->setText(QString::fromStdString(info.blocks));
  edSectors_->setText(QString::fromStdString(info.sectors));
  edBlockSize_->setText(QString::fromStdString(info.blockSize));
}

std::optional<QString> BlankImgDlg::runSaveAsBox(const QString& defaultName) {
  QFileDialog box(this, tr("Save As"));
  box.setAcceptMode(QFileDialog::AcceptSave);
  box.setFileMode(QFileDialog::AnyFile);
  box.setDefaultSuffix(QStringLiteral("dsk"));
  box.setNameFilters({tr("Disk images (*.dsk)"), tr("All Files (*.*)")});
  if (!lastPath_.isEmpty()) box.setDirectory(QFileInfo(lastPath_).absolutePath());
  box.selectFile(defaultName);  // overwriting an existing file asks first (the box's default)
  if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) return std::nullopt;
  return box.selectedFiles().constFirst();
}

void BlankImgDlg::miSaveAsClick() {
  if (selectedRow_ == nullptr) return;
  const auto path = askSavePath(QString::fromStdString(defaultFileName(*selectedRow_)));
  if (!path) return;
  lastPath_ = *path;
  const std::filesystem::path target = lastPath_.toStdString();
  std::ostringstream causes;
  // The run writes a new file beside the target: a cancelled or failed run removes it and
  // leaves a file the user agreed to overwrite as it was.
  ImageRun run(*selectedRow_, target, causes);
  WriteResult result = WriteResult::Failed;
  switch (run.prepare(spaceQuery)) {
    case PrepareResult::NotEnoughSpace:
      showError(QString::fromStdString(notEnoughSpaceText(imageSize_)));
      return;
    case PrepareResult::Failed:
      break;
    case PrepareResult::Ready:
      run.start();
      if (progressDlg_.follow(run) != QDialog::Accepted) run.cancel();  // stops before its next sector
      result = run.wait();
      break;
  }
  std::cerr << causes.str() << std::flush;
  if (result == WriteResult::Failed) showError(QString::fromStdString(cannotCreateText(causes.str())));
}

void BlankImgDlg::miExitClick() {
  done(QDialog::Accepted);
}

void BlankImgDlg::miDiskTableClick() {
  DiskTableDlg(this).exec();
}

void BlankImgDlg::miAboutClick() {
  AboutDlg(this).exec();
}

void BlankImgDlg::keyPressEvent(QKeyEvent* event) {
  // Enter does nothing; Escape ends the program.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return;
  QDialog::keyPressEvent(event);
}

}  // namespace blankimg

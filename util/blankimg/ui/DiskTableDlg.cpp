#include "DiskTableDlg.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextOption>

#include "DialogUnits.h"
#include "DiskTable.h"

namespace blankimg {

DiskTableDlg::DiskTableDlg(QWidget* parent) : QDialog(parent), edList_(new QPlainTextEdit(this)) {
  setWindowTitle(QStringLiteral("Supported disks"));
  setFont(dialogFont(font()));
  const DialogUnits du(font());
  setFixedSize(du.x(370), du.y(213));
  struct Heading {
    const char* text;
    int x;
  };
  for (const Heading& h : {Heading{"Device", 6}, Heading{"Description", 43}, Heading{"Platform", 227},
                           Heading{"Size (Kb)", 307}})
    (new QLabel(QString::fromLatin1(h.text), this))->move(du.x(h.x), du.y(3));

  edList_->setObjectName(QStringLiteral("edList"));
  edList_->setReadOnly(true);
  edList_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  edList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  edList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  du.place(edList_, 6, 13, 357, 173);
  // Tab stops in dialog units, measured from the text's left edge, under the headings.
  QTextOption option = edList_->document()->defaultTextOption();
  QList<QTextOption::Tab> tabs;
  for (int stop : {35, 220, 300}) tabs.append(QTextOption::Tab(du.x(stop), QTextOption::LeftTab));
  option.setTabs(tabs);
  edList_->document()->setDefaultTextOption(option);
  // The text's CR LF line ends become the editor's own paragraphs.
  edList_->setPlainText(QString::fromStdString(supportedDisksText()).remove(QLatin1Char('\r')));

  auto* ok = new QPushButton(tr("OK"), this);
  ok->setDefault(true);
  du.place(ok, 313, 192, 50, 14);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace blankimg

#include "AboutDlg.h"

#include <QLabel>
#include <QPushButton>

#include "Artwork.h"
#include "DialogUnits.h"

namespace blankimg {

AboutDlg::AboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About BLANKIMG"));
  setFont(dialogFont(font()));
  const DialogUnits du(font());
  setFixedSize(du.x(235), du.y(71));

  auto* icon = new QLabel(this);
  icon->setPixmap(emblemPixmap(32));
  icon->setGeometry(du.x(7), du.y(7), 32, 32);

  auto* version = new QLabel(QStringLiteral("BLANKIMG Version 1.0"), this);
  version->move(du.x(40), du.y(13));

  auto* notice = new QLabel(
      QStringLiteral("Blank disk images for DEC drives.\nFree software, part of the DEC media kit."), this);
  notice->setObjectName(QStringLiteral("lbNotice"));
  du.place(notice, 40, 31, 169, 26);
  notice->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  auto* ok = new QPushButton(tr("OK"), this);
  ok->setDefault(true);
  du.place(ok, 178, 7, 50, 14);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace blankimg

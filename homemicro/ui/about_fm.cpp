#include "about_fm.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

const char* const TfmAbout::kWebAddress = "https://homemicro.example.org/";
const char* const TfmAbout::kMailAddress = "mailto:homemicro@example.org";
const char* const TfmAbout::kMailSubject = "homemicro 2.0";

namespace {

const char* const kAboutLines[] = {
    "Программный эмулятор",
    "бытового компьютера БК-0010.01",
    "",
    "Версия 2.0",
    "",
    "Сделано командой homemicro",
    "",
    "ДОЛБАНИСЬ!",
    "",
    "А НУ, КЫШЬ ОТСЮДА!!!",
};

QLabel* MakeLink(const QString& text, const char* name, QWidget* parent) {
  auto* link = new QLabel(text, parent);
  link->setObjectName(name);
  link->setAlignment(Qt::AlignCenter);
  link->setStyleSheet("color: blue;");
  link->setCursor(Qt::PointingHandCursor);  // CRHAND
  link->setMouseTracking(true);
  return link;
}

}  // namespace

TfmAbout::TfmAbout(QWidget* parent) : CaptionDialog(parent) {
  setObjectName("fmAbout");
  setWindowTitle("О программе...");
  setMouseTracking(true);

  QStringList lines;
  for (const char* line : kAboutLines) lines << QString::fromUtf8(line);
  lbText = new QLabel(lines.join('\n'), this);
  lbText->setObjectName("lbText");
  lbText->setAlignment(Qt::AlignCenter);
  QFont bold = lbText->font();
  bold.setBold(true);
  lbText->setFont(bold);
  lbText->setMouseTracking(true);
  body()->addWidget(lbText);

  lbWeb = MakeLink(kWebAddress, "lbWeb", this);
  lbMail = MakeLink(QString(kMailAddress).mid(QString("mailto:").size()), "lbMail", this);
  for (QLabel* link : {lbWeb, lbMail}) {
    link->installEventFilter(this);
    body()->addWidget(link);
  }

  auto* ok = new QPushButton("Ok", this);
  ok->setObjectName("bbOk");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  body()->addWidget(ok, 0, Qt::AlignHCenter);
}

QString TfmAbout::webTarget() {
  return kWebAddress;
}

QString TfmAbout::mailTarget() {
  return QString(kMailAddress) + "?Subject=" + kMailSubject;
}

void TfmAbout::showEvent(QShowEvent* event) {
  underline(nullptr);
  centreOnScreen();
  CaptionDialog::showEvent(event);
}

void TfmAbout::underline(QLabel* hovered) {
  for (QLabel* link : {lbWeb, lbMail}) {
    QFont font = link->font();
    font.setUnderline(link == hovered);
    link->setFont(font);
  }
}

void TfmAbout::mouseMoveEvent(QMouseEvent* event) {
  underline(nullptr);
  CaptionDialog::mouseMoveEvent(event);
}

bool TfmAbout::eventFilter(QObject* watched, QEvent* event) {
  auto* link = qobject_cast<QLabel*>(watched);
  if (link == lbWeb || link == lbMail) {
    if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
      underline(link);
    } else if (event->type() == QEvent::Leave) {
      underline(nullptr);
    } else if (event->type() == QEvent::MouseButtonRelease) {
      // Shell failures are not reported.
      QDesktopServices::openUrl(QUrl(link == lbWeb ? webTarget() : mailTarget()));
      return true;
    }
  }
  return CaptionDialog::eventFilter(watched, event);
}

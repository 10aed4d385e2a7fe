#include "caption_dialog.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>

CaptionDialog::CaptionDialog(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  setModal(true);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(2, 2, 2, 2);
  outer->setSpacing(4);

  auto* strip = new QFrame(this);
  strip->setObjectName("pnCaption");
  strip->setFrameShape(QFrame::Panel);
  strip->setFrameShadow(QFrame::Raised);
  strip->setLineWidth(2);
  strip->setAutoFillBackground(true);
  strip->setBackgroundRole(QPalette::Highlight);
  auto* stripLayout = new QHBoxLayout(strip);
  stripLayout->setContentsMargins(4, 2, 4, 2);
  lbCaption = new QLabel(strip);
  lbCaption->setObjectName("lbCaption");
  lbCaption->setAlignment(Qt::AlignCenter);
  lbCaption->setForegroundRole(QPalette::HighlightedText);
  QFont bold = lbCaption->font();
  bold.setBold(true);
  lbCaption->setFont(bold);
  stripLayout->addWidget(lbCaption);
  strip->installEventFilter(this);
  lbCaption->installEventFilter(this);
  outer->addWidget(strip);

  body_ = new QVBoxLayout();
  body_->setContentsMargins(6, 2, 6, 6);
  outer->addLayout(body_);

  // Without a frame nothing else would mark the window's edge.
  setStyleSheet("CaptionDialog { border: 1px solid palette(shadow); }");
}

void CaptionDialog::showEvent(QShowEvent* event) {
  lbCaption->setText(windowTitle());
  QDialog::showEvent(event);
}

void CaptionDialog::centreOnScreen() {
  adjustSize();
  QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect area = screen->availableGeometry();
  move(area.center() - QPoint(width() / 2, height() / 2));
}

bool CaptionDialog::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::LeftButton) {
        dragging_ = true;
        dragOffset_ = mouse->globalPosition().toPoint() - frameGeometry().topLeft();
        return true;
      }
      break;
    }
    case QEvent::MouseMove:
      if (dragging_) {
        move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - dragOffset_);
        return true;
      }
      break;
    case QEvent::MouseButtonRelease:
      dragging_ = false;
      break;
    default:
      break;
  }
  return QDialog::eventFilter(watched, event);
}

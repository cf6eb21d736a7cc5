#include "studio/image_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {

constexpr double kMaxScale = 32.0;
// Pointer travel (screen pixels) that still counts as a click, not a drag.
constexpr double kClickSlack = 3.0;
constexpr double kWheelStep = 1.25;
constexpr int kMargin = 12;  // around a fitted image
const QColor kBackground(0x2b, 0x2d, 0x30);
const QColor kStaleVeil(0x2b, 0x2d, 0x30, 150);
constexpr int kDividerGrip = 6;  // pixels either side of the divider that grab it

}  // namespace

ImageView::ImageView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(160, 120);
  setMouseTracking(false);
  setFocusPolicy(Qt::ClickFocus);
}

void ImageView::SetOriginal(const QImage& original) {
  original_ = original;
  processed_ = QImage();
  processedCaption_.clear();
  FitToWindow();
}

void ImageView::SetProcessed(const QImage& processed, const QString& caption) {
  processed_ = processed;
  processedCaption_ = caption;
  update();
}

void ImageView::SetStale(bool stale) {
  if (stale == stale_) return;
  stale_ = stale;
  update();
}

void ImageView::SetSplit(bool on) {
  split_ = on;
  update();
}

void ImageView::SetShowOriginal(bool on) {
  showOriginal_ = on;
  update();
}

double ImageView::FitScale() const {
  if (original_.isNull()) return 1.0;
  const double width = std::max(1, this->width() - 2 * kMargin);
  const double height = std::max(1, this->height() - 2 * kMargin);
  return std::min(width / original_.width(), height / original_.height());
}

void ImageView::FitToWindow() {
  fitted_ = true;
  scale_ = FitScale();
  origin_ = QPointF((width() - original_.width() * scale_) / 2,
                    (height() - original_.height() * scale_) / 2);
  update();
  Q_EMIT scaleChanged();
}

void ImageView::ZoomBy(double factor) {
  ZoomAround(factor, QPointF(width() / 2.0, height() / 2.0));
}

void ImageView::ActualSize() {
  if (original_.isNull()) return;
  ZoomBy(1.0 / scale_);
}

int ImageView::ZoomPercent() const { return static_cast<int>(std::lround(scale_ * 100)); }

void ImageView::ZoomAround(double factor, QPointF anchor) {
  if (original_.isNull()) return;
  const double scale = std::clamp(scale_ * factor, std::min(FitScale(), 1.0) / 4, kMaxScale);
  // The document point under the anchor stays under it.
  const QPointF point = (anchor - origin_) / scale_;
  scale_ = scale;
  origin_ = anchor - point * scale_;
  fitted_ = false;
  KeepInView();
  update();
  Q_EMIT scaleChanged();
}

// A document smaller than the view is centred; a larger one never leaves a
// gap on a side it could cover.
void ImageView::KeepInView() {
  const double width = original_.width() * scale_;
  const double height = original_.height() * scale_;
  if (width <= this->width()) {
    origin_.setX((this->width() - width) / 2);
  } else {
    origin_.setX(std::clamp(origin_.x(), this->width() - width, 0.0));
  }
  if (height <= this->height()) {
    origin_.setY((this->height() - height) / 2);
  } else {
    origin_.setY(std::clamp(origin_.y(), this->height() - height, 0.0));
  }
}

QRectF ImageView::DocumentRect() const {
  return QRectF(origin_, QSizeF(original_.width() * scale_, original_.height() * scale_));
}

QSize ImageView::PreviewArea() const {
  if (original_.isNull()) return QSize();
  const double scale = std::min({scale_ * devicePixelRatioF(), 1.0, 2 * FitScale()});
  const int width = std::max(4, static_cast<int>(std::lround(original_.width() * scale)));
  const int height = std::max(1, static_cast<int>(std::lround(original_.height() * scale)));
  return QSize(width, height);
}

void ImageView::PaintCaption(QPainter& painter, const QString& caption, bool right) {
  if (caption.isEmpty()) return;
  QFont font = painter.font();
  font.setBold(true);
  painter.setFont(font);
  const QFontMetrics metrics(font);
  const double width = metrics.horizontalAdvance(caption) + 16;
  const QRectF box(right ? this->width() - 10 - width : 10, 10, width, metrics.height() + 6);
  QPainterPath path;
  path.addRoundedRect(box, 4, 4);
  painter.fillPath(path, QColor(0, 0, 0, 150));
  painter.setPen(Qt::white);
  painter.drawText(box, Qt::AlignCenter, caption);
}

void ImageView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), kBackground);
  if (original_.isNull()) {
    painter.setPen(QColor(0xb0, 0xb4, 0xba));
    painter.drawText(rect(), Qt::AlignCenter, tr("Open an image with Ctrl+O, or drop one here."));
    return;
  }
  // Pixels become visible squares when zoomed in; smooth when reduced.
  painter.setRenderHint(QPainter::SmoothPixmapTransform, scale_ < 2.0);
  if (split_ && !showOriginal_ && !processed_.isNull()) {
    PaintSplit(painter);
    return;
  }
  const bool original = showOriginal_ || processed_.isNull();
  const QImage& shown = original ? original_ : processed_;
  painter.drawImage(DocumentRect(), shown, QRectF(shown.rect()));
  if (!original && stale_) painter.fillRect(DocumentRect(), kStaleVeil);
  PaintCaption(painter, original ? tr("Original") : processedCaption_);
}

// Left of the divider the original, right of it the processed image, both
// over the same document rectangle so that they meet pixel for pixel.
void ImageView::PaintSplit(QPainter& painter) {
  const double at = divider_ * width();
  painter.save();
  painter.setClipRect(QRectF(0, 0, at, height()));
  painter.drawImage(DocumentRect(), original_, QRectF(original_.rect()));
  painter.setClipRect(QRectF(at, 0, width() - at, height()));
  painter.drawImage(DocumentRect(), processed_, QRectF(processed_.rect()));
  if (stale_) painter.fillRect(DocumentRect(), kStaleVeil);
  painter.restore();
  painter.setPen(QPen(Qt::white, 2));
  painter.drawLine(QPointF(at, 0), QPointF(at, height()));
  painter.setBrush(Qt::white);
  painter.drawEllipse(QPointF(at, height() / 2.0), 5, 5);
  PaintCaption(painter, tr("Original"));
  PaintCaption(painter, processedCaption_, true);
}

bool ImageView::NearDivider(QPointF point) const {
  return split_ && std::abs(point.x() - divider_ * width()) <= kDividerGrip;
}

void ImageView::resizeEvent(QResizeEvent*) {
  if (fitted_) {
    FitToWindow();
  } else {
    KeepInView();
    Q_EMIT scaleChanged();
  }
}

void ImageView::wheelEvent(QWheelEvent* event) {
  const double steps = event->angleDelta().y() / 120.0;
  if (steps != 0) ZoomAround(std::pow(kWheelStep, steps), event->position());
  event->accept();
}

void ImageView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (NearDivider(event->position())) {
    draggingDivider_ = true;
    setCursor(Qt::SplitHCursor);
    return;
  }
  dragging_ = true;
  dragFrom_ = event->position();
  pressedAt_ = event->position();
  moved_ = false;
  setCursor(Qt::ClosedHandCursor);
}

void ImageView::mouseMoveEvent(QMouseEvent* event) {
  if (draggingDivider_) {
    divider_ = std::clamp(event->position().x() / std::max(1, width()), 0.0, 1.0);
    update();
    return;
  }
  if (!dragging_) return;
  // A hand's tremble during a click is no drag.
  if ((event->position() - pressedAt_).manhattanLength() <= kClickSlack) return;
  moved_ = true;
  origin_ += event->position() - dragFrom_;
  dragFrom_ = event->position();
  fitted_ = false;
  KeepInView();
  update();
}

void ImageView::mouseReleaseEvent(QMouseEvent* event) {
  if (dragging_ && !moved_ && !original_.isNull()) {
    const QPointF inDocument = (event->position() - origin_) / scale_;
    const int column = static_cast<int>(std::floor(inDocument.x()));
    const int row = static_cast<int>(std::floor(inDocument.y()));
    if (column >= 0 && row >= 0 && column < original_.width() && row < original_.height())
      Q_EMIT pixelClicked(column, row);
  }
  dragging_ = false;
  draggingDivider_ = false;
  unsetCursor();
}

void ImageView::mouseDoubleClickEvent(QMouseEvent*) { FitToWindow(); }

// The image: fit to the window, zoomed with the wheel around the pointer,
// panned by dragging, back to fit with a double click; shows the processed
// image (preview or result) or, while "Show Original" is on, the original.
// Every image is drawn over the same rectangle, the document's, so a reduced
// preview and a whole-size result line up. In the split view the original
// is drawn left of a divider the user drags, the processed image right of it.
#ifndef MORFEL_STUDIO_IMAGE_VIEW_H
#define MORFEL_STUDIO_IMAGE_VIEW_H

#include <QImage>
#include <QPointF>
#include <QString>
#include <QWidget>

class ImageView : public QWidget {
  Q_OBJECT

 public:
  explicit ImageView(QWidget* parent = nullptr);

  // A new document: its original, shown until a processed image comes.
  void SetOriginal(const QImage& original);
  // The processed image, with a word for what it is ("Preview", "Result").
  void SetProcessed(const QImage& processed, const QString& caption);
  void SetShowOriginal(bool on);
  // The processed image no longer matches the program (it has an error):
  // drawn dimmed.
  void SetStale(bool stale);
  bool Stale() const { return stale_; }
  void SetSplit(bool on);
  bool Split() const { return split_; }
  // Where the divider is, as a part of the view's width (0 to 1).
  double Divider() const { return divider_; }
  const QImage& Processed() const { return processed_; }
  bool HasImage() const { return !original_.isNull(); }

  void FitToWindow();
  void ZoomBy(double factor);
  // One image pixel to one screen pixel.
  void ActualSize();
  // The drawn size in percent of the image's own.
  int ZoomPercent() const;
  // Size in pixels of the reduced copy a preview should be run on: the
  // document as large as it is drawn, never larger than the document itself
  // nor than twice its fitted size.
  QSize PreviewArea() const;

 Q_SIGNALS:
  // The drawn size changed (resize or zoom): a preview may need a new size.
  void scaleChanged();
  // A click (a press and a release with no drag between) on the image's
  // pixel at (column, row), counted from its top-left.
  void pixelClicked(int column, int row);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  double FitScale() const;
  QRectF DocumentRect() const;
  void ZoomAround(double factor, QPointF anchor);
  void KeepInView();
  void PaintCaption(class QPainter& painter, const QString& caption, bool right = false);
  void PaintSplit(class QPainter& painter);
  bool NearDivider(QPointF point) const;

  QImage original_;
  QImage processed_;
  QString processedCaption_;
  bool showOriginal_ = false;
  bool fitted_ = true;
  double scale_ = 1.0;  // screen pixels per document pixel
  QPointF origin_;      // where the document's top-left corner is drawn
  QPointF dragFrom_;
  QPointF pressedAt_;
  bool moved_ = false;  // the pointer went beyond a click since the press
  bool dragging_ = false;
  bool stale_ = false;
  bool split_ = false;
  double divider_ = 0.5;
  bool draggingDivider_ = false;
};

#endif

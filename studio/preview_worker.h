// The live preview, computed off the interface thread.
//
// Contracts
// - The worker owns a session of its own (its own engine, images and
//   parameter slots), made for the same base folder; the interface's
//   session is never touched by it.
// - Request never blocks: it leaves the request for the worker and returns.
//   A request not yet started is replaced by a newer one, so the worker
//   always goes on with the latest wish.
// - A run that takes longer than the session's preview budget is stopped
//   by the session, so a program that never ends holds the worker up for
//   that long only. A newer request stops the run going on at once, and the
//   stopped run's result is not delivered.
// - Results are delivered on the thread of the receiver given at creation,
//   through its event loop, each with the serial of its request; none is
//   delivered once the worker is destroyed.
#ifndef MORFEL_STUDIO_PREVIEW_WORKER_H
#define MORFEL_STUDIO_PREVIEW_WORKER_H

#include <QImage>
#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "studio/picture_planes.h"
#include "studio/program_snapshot.h"

struct PreviewRequest {
  uint64_t serial = 0;
  SharedPicture picture;
  ProgramSnapshot program;
  int32_t areaWidth = 0;  // the view's size in pixels: the reduced copy fits it
  int32_t areaHeight = 0;
};

struct PreviewResult {
  uint64_t serial = 0;
  QImage image;             // the preview; the reduced image unchanged when the run failed,
                            // null when it was stopped (the last preview stands)
  bool finished = false;    // the program compiled and ran every pass
  bool stopped = false;     // it took longer than a preview may (the session's budget)
  bool superseded = false;  // stopped for a newer request: never delivered
  UserMessages messages;
  double milliseconds = 0;
};

class PreviewWorker {
 public:
  using Delivery = std::function<void(const PreviewResult&)>;
  PreviewWorker(const std::string& baseFolder, QObject* receiver, Delivery delivery);
  ~PreviewWorker();
  PreviewWorker(const PreviewWorker&) = delete;
  PreviewWorker& operator=(const PreviewWorker&) = delete;

  void Request(PreviewRequest request);
  // The clock (seconds) the runs from now on measure the preview's time
  // budget by, instead of the steady clock: a test decides when a preview
  // runs out of time.
  void SetClock(std::function<double()> clock);
  // True while a run is going on or waiting.
  bool Busy() const;

  // What the object and its thread share; opaque outside the implementation.
  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
};

#endif

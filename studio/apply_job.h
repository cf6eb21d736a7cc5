// Apply: the program over the whole image with the chosen interpolation, on
// a thread of its own, in a session of its own.
//
// Contracts
// - Start returns at once; the outcome is delivered on the receiver's thread
//   through its event loop, unless the job was cancelled first: then the run
//   stops soon after, nothing is delivered and the caller's image and result
//   stay as they were.
// - Progress is the rows finished of the pass going on, readable at any time.
// - A job outlives its ApplyJob object: destroying one cancels it.
#ifndef MORFEL_STUDIO_APPLY_JOB_H
#define MORFEL_STUDIO_APPLY_JOB_H

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "studio/picture_planes.h"
#include "studio/program_snapshot.h"

struct ApplyOutcome {
  bool finished = false;  // every pass ran
  Picture result;         // whole-size planes; empty unless finished
  UserMessages messages;
  double milliseconds = 0;
};

struct ApplyProgress {
  int32_t rows = 0;
  int32_t total = 0;
};

class ApplyJob {
 public:
  using Delivery = std::function<void(const ApplyOutcome&)>;
  ApplyJob(const std::string& baseFolder, SharedPicture picture, const ProgramSnapshot& program,
           QObject* receiver, Delivery delivery);
  ~ApplyJob();
  ApplyJob(const ApplyJob&) = delete;
  ApplyJob& operator=(const ApplyJob&) = delete;

  void Cancel();
  ApplyProgress Progress() const;

  // What the object and its thread share; opaque outside the implementation.
  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
};

#endif

// The host's side of the row exchange: the row callbacks that the plug-in
// calls to read the picture and to hand the result back.
#ifndef MORFEL_PLUGIN_HOST_ROW_EXCHANGE_H
#define MORFEL_PLUGIN_HOST_ROW_EXCHANGE_H

#include "files/image_files.h"
#include "plugin/exports.h"

// Binds the callbacks to a source picture (read) and a result picture
// (written). Rows outside the pictures or with other column ranges are
// refused (the callback returns 0) and counted, so a plug-in fault shows.
class RowExchange {
 public:
  RowExchange(const Picture& source, Picture* result);
  ~RowExchange();
  const RowCallbackTable* readTable() const { return &readTable_; }
  const RowCallbackTable* writeTable() const { return &writeTable_; }
  // Rows written back: RGB and T rows, and requests that were refused.
  long rgbRowsWritten() const;
  long tRowsWritten() const;
  long refused() const;
  // Seconds on a steady clock at the first and last row read and written
  // (0 when none was), for the --timings report.
  struct Times {
    double firstRead = 0, lastRead = 0, firstWrite = 0, lastWrite = 0;
  };
  Times times() const;

 private:
  RowCallbackTable readTable_;
  RowCallbackTable writeTable_;
};

#endif

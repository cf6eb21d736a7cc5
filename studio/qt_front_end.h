// The session's talk with the user through Qt: its questions as Yes/No
// message boxes, its file search through QDir, and its messages in the boxes
// of their kind, with the system's own titles.
#ifndef MORFEL_STUDIO_QT_FRONT_END_H
#define MORFEL_STUDIO_QT_FRONT_END_H

#include <QWidget>

#include "session/session.h"

class QtFrontEnd : public FrontEnd {
 public:
  explicit QtFrontEnd(QWidget* owner) : owner_(owner) {}
  bool Ask(const char* question) override;
  bool ListFiles(const char* pattern, std::vector<std::string>* names) override;

 private:
  QWidget* owner_;
};

// Each message in its box, one after the other: an error titled "error"
// with a stop icon, a notice titled "message" with a stop icon, a result
// titled "message" without one.
void ShowMessages(QWidget* owner, const UserMessages& messages);
// A text of the studio's own in the error box.
void ShowError(QWidget* owner, const QString& text);

#endif

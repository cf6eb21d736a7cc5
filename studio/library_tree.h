// The library as a tree of groups and their programs, in the session's
// list order: group i is item i of the session's group list, its program j
// item j of that group's program list.
#ifndef MORFEL_STUDIO_LIBRARY_TREE_H
#define MORFEL_STUDIO_LIBRARY_TREE_H

#include <QTreeWidget>

#include "session/session.h"

class LibraryTree : public QTreeWidget {
  Q_OBJECT

 public:
  explicit LibraryTree(QWidget* parent = nullptr);

  // Fills the tree from the session's lists and selects the chosen program.
  void Rebuild(const FilterContext& context);
  // Selects group position group, program position program, quietly.
  void Select(int32_t group, int32_t program);
  // Selects the program of these names quietly, or nothing when it is not
  // listed.
  void SelectNamed(const QString& group, const QString& name);
  // Positions of a program by its names, false when it is not listed.
  bool Find(const QString& group, const QString& name, int32_t* groupPosition,
            int32_t* programPosition) const;
  // Keeps the positions when they still hold that program (a duplicate
  // name stays the copy chosen), else finds it again after the tree was
  // rebuilt; false when it is no longer listed.
  bool Refind(const QString& group, const QString& name, int32_t* groupPosition,
              int32_t* programPosition) const;

 Q_SIGNALS:
  // The user chose a program.
  void programChosen(int group, int program);

 private:
  void CurrentChanged(QTreeWidgetItem* item);
};

#endif

#include "studio/library_tree.h"

#include <QHeaderView>
#include <QSignalBlocker>
#include <memory>

#include "studio/texts.h"

LibraryTree::LibraryTree(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(true);
  setUniformRowHeights(true);
  setAnimated(true);
  connect(this, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item) { CurrentChanged(item); });
}

void LibraryTree::Rebuild(const FilterContext& context) {
  const QSignalBlocker quiet(this);
  clear();
  // A list holds up to a thousand names of 128 bytes: too large for a stack.
  auto programs = std::make_unique<NameList>();
  QFont groupFont = font();
  groupFont.setBold(true);
  for (int32_t g = 0; g < context.groupList.count; ++g) {
    auto* group = new QTreeWidgetItem(this, {ShownName(NameAt(context.groupList, g))});
    group->setFont(0, groupFont);
    group->setFlags(Qt::ItemIsEnabled);
    context.ListProgramsOf(g, programs.get());
    for (int32_t p = 0; p < programs->count; ++p) {
      new QTreeWidgetItem(group, {ShownName(NameAt(*programs, p))});
    }
  }
  expandAll();
  Select(context.settings.GroupNo, context.settings.FuncNo);
}

void LibraryTree::Select(int32_t group, int32_t program) {
  const QSignalBlocker quiet(this);
  QTreeWidgetItem* groupItem = topLevelItem(group);
  QTreeWidgetItem* item = groupItem != nullptr ? groupItem->child(program) : nullptr;
  setCurrentItem(item);
  if (item != nullptr) scrollToItem(item);
}

void LibraryTree::SelectNamed(const QString& group, const QString& name) {
  int32_t groupPosition = -1;
  int32_t programPosition = -1;
  if (!Find(group, name, &groupPosition, &programPosition)) groupPosition = programPosition = -1;
  Select(groupPosition, programPosition);
}

bool LibraryTree::Find(const QString& group, const QString& name, int32_t* groupPosition,
                       int32_t* programPosition) const {
  for (int g = 0; g < topLevelItemCount(); ++g) {
    const QTreeWidgetItem* groupItem = topLevelItem(g);
    if (groupItem->text(0) != group) continue;
    for (int p = 0; p < groupItem->childCount(); ++p) {
      if (groupItem->child(p)->text(0) != name) continue;
      *groupPosition = g;
      *programPosition = p;
      return true;
    }
  }
  return false;
}

bool LibraryTree::Refind(const QString& group, const QString& name, int32_t* groupPosition,
                         int32_t* programPosition) const {
  const QTreeWidgetItem* groupItem = topLevelItem(*groupPosition);
  const QTreeWidgetItem* item = groupItem != nullptr ? groupItem->child(*programPosition) : nullptr;
  if (item != nullptr && groupItem->text(0) == group && item->text(0) == name) return true;
  return Find(group, name, groupPosition, programPosition);
}

void LibraryTree::CurrentChanged(QTreeWidgetItem* item) {
  if (item == nullptr || item->parent() == nullptr) return;
  Q_EMIT programChosen(indexOfTopLevelItem(item->parent()), item->parent()->indexOfChild(item));
}

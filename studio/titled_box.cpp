#include "studio/titled_box.h"

#include <QLabel>
#include <QVBoxLayout>

QWidget* TitledBox(const QString& title, QWidget* content, QWidget* parent,
                   const QMargins& margins) {
  auto* box = new QWidget(parent);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(margins);
  layout->setSpacing(4);
  auto* label = new QLabel(title, box);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  label->setBuddy(content);
  layout->addWidget(label);
  layout->addWidget(content, 1);
  return box;
}

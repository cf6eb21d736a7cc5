// A part of the window under a bold title.
#ifndef MORFEL_STUDIO_TITLED_BOX_H
#define MORFEL_STUDIO_TITLED_BOX_H

#include <QMargins>
#include <QString>
#include <QWidget>

QWidget* TitledBox(const QString& title, QWidget* content, QWidget* parent,
                   const QMargins& margins = QMargins());

#endif

#include "engine/qt/MessageBox.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QSpacerItem>

namespace Ostra {

QMessageBox::StandardButton AskUser(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                    const QString& text, QMessageBox::StandardButtons buttons) {
  QMessageBox box(icon, title, text, buttons, parent);
  // The title, with room for the window's icon and buttons around it.
  const int titleWidth = QFontMetrics(QApplication::font()).horizontalAdvance(title) + 140;
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
    grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(),
                  0,
                  1,
                  grid->columnCount());
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace Ostra

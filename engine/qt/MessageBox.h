#pragma once
// A message box that is wide enough for its title: the platform sizes a box
// by its text, so a short question under a long title had the title cut off.

#include <QMessageBox>

namespace Ostra {

QMessageBox::StandardButton AskUser(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                    const QString& text, QMessageBox::StandardButtons buttons);

}  // namespace Ostra

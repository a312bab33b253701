// The program's icon, drawn in code: a white "K" on a blue gradient.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace kestrove::ui {

QPixmap ProgramPixmap(int size = 32);
QIcon ProgramIcon();

}  // namespace kestrove::ui

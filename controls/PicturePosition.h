#pragma once

#include <QObject>

// Where a button's picture stands beside its caption. Its own header, so that code which only
// lays a button out does not pull in the button widget.
namespace PicturePosition {
Q_NAMESPACE

enum TPicPos
{
    poLeft,
    poRight,
    poTop,
    poBottom
};
Q_ENUM_NS(TPicPos)

} // namespace PicturePosition

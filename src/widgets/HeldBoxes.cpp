#include "widgets/HeldBoxes.h"

#include <utility>

void HeldBoxes::showThrough(Dialogs &dialogs)
{
    const QList<Box> held = std::exchange(m_held, {});
    for (const Box &box : held) {
        switch (box.kind) {
            case Kind::Warning:
                dialogs.warning(box.text);
                break;
            case Kind::Error:
                dialogs.error(box.text);
                break;
            case Kind::Information:
                dialogs.information(box.title, box.text);
                break;
        }
    }
}

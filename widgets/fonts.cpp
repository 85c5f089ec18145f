#include "widgets/fonts.h"

namespace pelmora {

QFont WindowFont() {
    QFont font;
    font.setFamilies(
        QStringList{"Liberation Sans Narrow", "Arial Narrow", "Liberation Sans", "Arial"});
    font.setPointSizeF(8.25);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QFont NoticeFont() {
    QFont font;
    font.setFamilies(QStringList{"Arial", "Liberation Sans"});
    font.setPointSizeF(8.25);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace pelmora

#pragma once
// The maker's logo for the About box, 146 x 129 pixels.
#include <QPixmap>

namespace setup {

QPixmap MakerLogo();

}  // namespace setup

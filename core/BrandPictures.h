#pragma once

#include <QLabel>
#include <QString>

namespace portiva
{

// The maker's logo as a picture label (drawn, so no image file has to ship with the program).
QLabel *makeMakerLogo(QWidget *parent);

// The three partner-logo pictures of the splash and about windows. No country shows one, so
// they stay hidden whatever LogoCountryCode holds.
void addHiddenPartnerLogos(QWidget *parent, QLayout *layout);

} // namespace portiva

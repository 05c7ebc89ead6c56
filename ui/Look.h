#pragma once

// Makes the application look as the windows were designed on a Japanese
// desktop: "MS UI Gothic" mapped onto an installed Japanese gothic font, and
// Qt's own Japanese texts for standard buttons. Safe to call more than once.
void applyJapaneseLook();

// Placeholder until the card writer lands; it replaces this file.
#include "ui/sigcfg.h"

void TfrMain::miSavePlaylistClick() {}

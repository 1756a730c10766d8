// SPDX-License-Identifier: MIT
// Loading and playing the embedded media.
#include "media/media.h"

namespace tastomat {

void loadLogo(Platform& platform) {
  platform.loadImage(logoImageNumber, logoBitmap());
}

void startClickSound(Platform& platform, ClickSound& click) {
  if (platform.startSound() && click.clickSoundEnabled == 1) {
    click.soundReady = 1;
    platform.loadSound(clickSoundNumber, clickWave());
  }
}

void playClick(Platform& platform, const ClickSound& click) {
  if (click.soundReady == 1 && click.clickSoundEnabled == 1) {
    platform.playSound(clickSoundNumber);
  }
}

}  // namespace tastomat

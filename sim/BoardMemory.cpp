#include "BoardMemory.h"

namespace veltra::sim {

EepromImage BlankEeprom()
{
    EepromImage image;
    image.fill(0xFF);
    return image;
}

}  // namespace veltra::sim

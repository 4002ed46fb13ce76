#pragma once

namespace veltra::sim {

// Which program the board is running. The operator picks one at power-up with the
// CAL MODE switch; the application firmware also gives way to the boot loader on
// the initial erase request.
enum class Personality { Application, BootLoader };

const char* PersonalityName(Personality personality);

}  // namespace veltra::sim

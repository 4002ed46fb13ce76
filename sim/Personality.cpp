#include "Personality.h"

namespace veltra::sim {

const char* PersonalityName(Personality personality)
{
    return personality == Personality::Application ? "application" : "boot loader";
}

}  // namespace veltra::sim

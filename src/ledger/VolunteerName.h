#pragma once
// What a volunteer's name may be: printable text of 1 to 64 characters,
// UTF-8, letters of any script allowed. It is stored and shown exactly as
// given; the renderers escape it for their formats.
#include <string>

// "" when name is acceptable, otherwise why not, e.g. "it is longer than
// 64 characters".
std::string VolunteerNameFault(const std::string& name);

// The calculator and the euro converter keep their numbers in the 6-byte
// real format: a 40-bit significand (39 stored bits and an implicit one) and
// an 8-bit exponent. Storing a value rounds it to that precision.
#pragma once

namespace orugif::accessories {

// `value` rounded to the nearest 6-byte real (ties to even). Values too
// small for the format become 0; values too large raise the French overflow
// message.
double toReal48(double value);

} // namespace orugif::accessories

// The integer inverse DCT of an 8 x 8 block of dequantised coefficients
// (natural order) into 8-bit samples, row-major.
#pragma once

#include <cstdint>

void InverseDctBlock(const int16_t* coefficients, uint8_t* samples);
// The same for a block whose AC coefficients are all zero.
void InverseDctFlatBlock(int16_t dc, uint8_t* samples);
// The build of InverseDctBlock for processors without AVX2 (the other build
// is chosen at run time where it can run).
void InverseDctBlockPortable(const int16_t* coefficients, uint8_t* samples);

#pragma once

// One full x87 state image, in the processor's 32-bit layout.
extern unsigned char fpu_save_area[108];

// Stores the unit's state in fpu_save_area and reinitialises the unit.
void save_fpu_state();
// Loads the state stored by save_fpu_state back into the unit.
void restore_fpu_state();

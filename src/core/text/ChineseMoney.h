#pragma once
#include "Money.h"

#include <string>

// An amount in Chinese capitals as a bill or cheque writes it (人民币大写), rounded half away
// from zero to the cent first: 12345.67 → 壹万贰仟叁佰肆拾伍元陆角柒分, 100.00 → 壹佰元整,
// 0.05 → 伍分, 0 → 零元整, −5 → 负伍元整. A run of zeros inside reads as one 零 (10010.01 →
// 壹万零壹拾元零壹分); zeros at the end of a group of four are left out (100000 → 壹拾万元整).
std::string ChineseCapitalAmount(CMoney amount);

#pragma once

#include <QString>

// Extended Maidenhead locator of a position, 9 characters such as "JN58td.25".
// Input out of range is clamped first; a non-finite coordinate counts as 0.
QString MaidenheadLocator(double latitude, double longitude);

#pragma once

#include <QString>

// Measurements shown with two decimals ("0" for values within 0.0001 of zero).
QString formatNumber(double value);
// "" gives 0; commas are ignored. Throws std::invalid_argument when the rest is not a number.
double parseNumberText(const QString& text);
// true when a and b differ by less than 0.001.
bool sameNumber(double a, double b);

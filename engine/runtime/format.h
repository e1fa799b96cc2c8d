// The Format built-in: named formats, sections, date patterns and number
// patterns, plus the general date text of a Date value.
#pragma once

#include <string>
#include <string_view>

#include "engine/runtime/status.h"
#include "engine/runtime/value.h"

namespace tessel::runtime {

// Format(value, format):
// - Empty gives "Empty", Null gives "Null"; types other than numbers, Date
//   and String report "Format( Unknown type: %d )" and give "".
// - A String that the date parser accepts is a date; a String holding one
//   decimal number is that number; any other String is returned unchanged.
// - An empty format gives the value's plain text form (ToText).
// - A single-section format may be a named format (compared ignoring case):
//   "General Number", "Currency", "Fixed", "Standard", "Percent", "Yes/No",
//   "True/False", "On/Off", "General Date", "Short Date", "Medium Date",
//   "Long Date", "Short Time", "Medium Time", "Long Time".
// - Otherwise numbers take number patterns (FormatNumber) and dates take date
//   patterns (FormatDate); a date with a pattern holding 0 or # is formatted
//   as the number of its serial.
std::string Format(const Value& value, std::string_view format, Report& report);

// Number patterns with up to four ';' sections: the second formats negative
// numbers as their absolute value, the third formats zero (an empty section
// falls back to the first). Placeholders: 0 digit always shown, # digit shown
// when significant, '.' decimal point, ',' between digits groups thousands
// and ',' right before the point (or the end of the digits) divides by 1000,
// '%' multiplies by 100 and shows '%'; '\' copies the next character and
// "..." copies the quoted text; every other character is copied. The digits
// come from "%0*.*f" (C locale) with exact halves rounded away from zero
// (2.5 -> "3", 0.125 -> "0.13"; 2.675 is below its half and gives "2.67"); a
// decimal point with no
// digit after it is left out; a number that shows only zeros has no sign.
std::string FormatNumber(double value, std::string_view format);

// Date patterns on a serial date (first section only): d dd ddd dddd, m mm
// mmm mmmm (always the month), y (day of year) yy yyyy, h hh, n nn, s ss, q,
// AMPM and AM/PM ("AM"/"PM"), am/pm ("am"/"pm") with a 12-hour clock; letters
// match ignoring case; '\' and "..." copy literally; other characters are
// copied. Day and month names come from the user's LC_TIME locale. A serial
// outside the date range gives "".
std::string FormatDate(double serial, std::string_view pattern);

// The locale's short date, then the time as "hh:nn:ss AMPM"; the date is left
// out for a serial below one day, the time when the time of day is midnight.
std::string GeneralDateText(double serial);

}  // namespace tessel::runtime

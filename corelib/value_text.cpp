#include "corelib/value_text.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace kv::core {
namespace {

// Dates outside the years 100 to 9999 are clamped to that range.
constexpr double kFirstOleDate = -657434.0;
constexpr double kLastOleDate = 2958465.0;
constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kOleDayOfUnixEpoch = 25569;  // 1970-01-01

std::string Format(const char* format, ...) {
    char buffer[100];
    va_list list;
    va_start(list, format);
    vsnprintf(buffer, sizeof(buffer), format, list);
    va_end(list);
    return buffer;
}

// Rounds to six significant decimal digits, halves going up in magnitude, so that "%.6g"
// afterwards prints the value exactly as reduced.
double ReduceToSixDigits(float value) {
    const double v = value;
    if (v == 0 || !std::isfinite(v)) return v;
    int exponent = int(std::floor(std::log10(std::fabs(v))));
    double scale = std::pow(10.0, 5 - exponent);
    if (std::fabs(v) * scale >= 1e6) scale /= 10;  // log10 estimated one too low
    if (std::fabs(v) * scale < 1e5) scale *= 10;   // or one too high
    return std::round(v * scale) / scale;
}

struct CivilDate {
    int year, month, day;
};

// Gregorian date of a day count since 1970-01-01.
CivilDate CivilFromDays(int64_t days) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    const int day = int(dayOfYear - (153 * mp + 2) / 5 + 1);
    const int month = int(mp < 10 ? mp + 3 : mp - 9);
    const int year = int(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    return {year, month, day};
}

}  // namespace

std::string DateTimeToText(double oleDate) {
    if (std::isnan(oleDate)) oleDate = 0;
    oleDate = std::fmin(std::fmax(oleDate, kFirstOleDate), kLastOleDate);
    // The whole part counts days (toward zero); the fraction's magnitude is the time of day.
    int64_t day = int64_t(std::trunc(oleDate));
    int64_t seconds = std::llround(std::fabs(oleDate - double(day)) * kSecondsPerDay);
    if (seconds >= kSecondsPerDay) {
        seconds -= kSecondsPerDay;
        ++day;
    }
    const CivilDate date = CivilFromDays(day - kOleDayOfUnixEpoch);
    const int hour = int(seconds / 3600), minute = int(seconds / 60 % 60),
              second = int(seconds % 60);
    std::string text = Format("%d年%d月%d日", date.year, date.month, date.day);
    if (second != 0) {
        text += Format("%d时%d分%d秒", hour, minute, second);
    } else if (minute != 0) {
        text += Format("%d时%d分", hour, minute);
    } else if (hour != 0) {
        text += Format("%d时", hour);
    }
    return text;
}

std::string ValueToText(const ArgValue& value) {
    switch (value.type) {
        case tag::kByte:
            return Format("%u", unsigned(value.value.u8));
        case tag::kShort:
            return Format("%d", int(value.value.i16));
        case tag::kInt:
            return Format("%d", int(value.value.i32));
        case tag::kLong:
            return Format("%lld", static_cast<long long>(value.value.i64));
        case tag::kFloat:
            return Format("%.6g", ReduceToSixDigits(value.value.f32));
        case tag::kDouble:
            return Format("%.13g", value.value.f64);
        case tag::kText:
            return value.value.text ? std::string(value.value.text) : std::string();
        case tag::kBool:
            return value.value.i32 ? "真" : "假";
        case tag::kDateTime:
            return DateTimeToText(value.value.f64);
        default:
            return {};
    }
}

}  // namespace kv::core

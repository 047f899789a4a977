#include "app/utc_time.h"

#include <cstdio>

namespace rlq {
namespace {

struct UtcParts {
    int year;
    unsigned month, day;
    long hours, minutes, seconds, millis;
};

UtcParts Split(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto millis = floor<milliseconds>(time);
    const auto day = floor<days>(millis);
    const year_month_day date{day};
    const hh_mm_ss clock{millis - day};
    return {static_cast<int>(date.year()),
            static_cast<unsigned>(date.month()),
            static_cast<unsigned>(date.day()),
            static_cast<long>(clock.hours().count()),
            static_cast<long>(clock.minutes().count()),
            static_cast<long>(clock.seconds().count()),
            static_cast<long>(clock.subseconds().count())};
}

}  // namespace

std::string IsoUtc(std::chrono::system_clock::time_point time) {
    const UtcParts utc = Split(time);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02ld:%02ld:%02ldZ", utc.year, utc.month,
                  utc.day, utc.hours, utc.minutes, utc.seconds);
    return text;
}

std::string CompactUtcMillis(std::chrono::system_clock::time_point time) {
    const UtcParts utc = Split(time);
    char text[64];
    std::snprintf(text, sizeof text, "%04d%02u%02uT%02ld%02ld%02ld.%03ldZ", utc.year, utc.month,
                  utc.day, utc.hours, utc.minutes, utc.seconds, utc.millis);
    return text;
}

}  // namespace rlq

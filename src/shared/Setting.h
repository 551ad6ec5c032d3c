#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

namespace dravik {

// The values a setting may take, both ends included.
struct SettingRange_t {
    double low;
    double high;
};

inline constexpr double unboundedSetting = std::numeric_limits<double>::infinity();

// How a setting's field is stored, and so how it is edited, saved and given.
enum class SettingKind : std::uint8_t {
    Real,    // double
    Real32,  // float
    Integer, // std::int32_t
    Size,    // std::uint32_t, a power of two
    Flag,    // bool
    Choice,  // an enum, one of `choices`
};

// One item of a choice: its name in a session and on the command line, and
// its label in the panel's combo.
struct SettingChoice_t {
    const char* name;
    const char* label;
};

// One setting of a parameter record, described once: its key in a saved
// session, its label in the panel (which also names its command-line option),
// its command-line option, the range its slider drags over, the range a typed,
// loaded or given value may take, and what it does. Its default is the
// record's own initialiser, read through the same field.
//
// A derived setting follows the analysis (a rate, a window size) and is not
// chosen by the user: panels, sessions and options leave it alone, and
// copyUserSettings keeps the target's.
template <typename Record>
struct Setting_t {
    SettingKind kind;
    const char* key;
    const char* label;
    const char* option;
    SettingRange_t slider;
    SettingRange_t typed;
    const char* help;
    const char* format = nullptr;       // the slider's printf format; null for the widget's own
    const char* formerOption = nullptr; // the option's earlier name, still accepted; null for none
    bool derived = false;
    // The field, as `kind` says; the others are null.
    double Record::*real = nullptr;
    float Record::*real32 = nullptr;
    std::int32_t Record::*integer = nullptr;
    std::uint32_t Record::*size = nullptr;
    bool Record::*flag = nullptr;
    // A choice's item index in and out of the record; a value no item names
    // reads as `fallback`.
    std::uint8_t (*choiceOf)(const Record&) = nullptr;
    void (*setChoice)(Record&, std::uint8_t) = nullptr;
    const SettingChoice_t* choices = nullptr;
    std::uint8_t choiceCount = 0;

    constexpr Setting_t unit(const char* sliderFormat) const
    {
        Setting_t copy = *this;
        copy.format = sliderFormat;
        return copy;
    }
    constexpr Setting_t formerly(const char* name) const
    {
        Setting_t copy = *this;
        copy.formerOption = name;
        return copy;
    }
    constexpr Setting_t followsAnalysis() const
    {
        Setting_t copy = *this;
        copy.derived = true;
        return copy;
    }
};

// A record of settings nested in another (a mapper's band): its key, which
// names its session table, its label, which names its panel node, and the
// prefix of its options.
template <typename Record, typename Nested>
struct SettingGroup_t {
    const char* key;
    const char* label;
    const char* option;
    Nested Record::*field;
};

namespace setting {

template <typename Record>
constexpr Setting_t<Record> real(const char* key, const char* label, const char* option, double Record::*field,
                                 SettingRange_t slider, SettingRange_t typed, const char* help)
{
    Setting_t<Record> s{SettingKind::Real, key, label, option, slider, typed, help};
    s.real = field;
    return s;
}

template <typename Record>
constexpr Setting_t<Record> real32(const char* key, const char* label, const char* option, float Record::*field,
                                   SettingRange_t slider, SettingRange_t typed, const char* help)
{
    Setting_t<Record> s{SettingKind::Real32, key, label, option, slider, typed, help};
    s.real32 = field;
    return s;
}

template <typename Record>
constexpr Setting_t<Record> integer(const char* key, const char* label, const char* option, std::int32_t Record::*field,
                                    SettingRange_t slider, SettingRange_t typed, const char* help)
{
    Setting_t<Record> s{SettingKind::Integer, key, label, option, slider, typed, help};
    s.integer = field;
    return s;
}

// A power of two; the slider range holds the sizes the panel offers.
template <typename Record>
constexpr Setting_t<Record> size(const char* key, const char* label, const char* option, std::uint32_t Record::*field,
                                 SettingRange_t slider, SettingRange_t typed, const char* help)
{
    Setting_t<Record> s{SettingKind::Size, key, label, option, slider, typed, help};
    s.size = field;
    return s;
}

template <typename Record>
constexpr Setting_t<Record> flag(const char* key, const char* label, const char* option, bool Record::*field,
                                 const char* help)
{
    Setting_t<Record> s{SettingKind::Flag, key, label, option, {0.0, 1.0}, {0.0, 1.0}, help};
    s.flag = field;
    return s;
}

template <typename Record, typename Enum, Enum Record::*Field, std::uint8_t Count, std::uint8_t Fallback>
constexpr std::uint8_t choiceIndex(const Record& record)
{
    const auto index = static_cast<std::uint8_t>(record.*Field);
    return index < Count ? index : Fallback;
}

template <typename Record, typename Enum, Enum Record::*Field>
constexpr void setChoiceIndex(Record& record, std::uint8_t index)
{
    record.*Field = static_cast<Enum>(index);
}

// An enum whose values are the indices of `choices`.
template <typename Record, typename Enum, Enum Record::*Field, std::size_t Count, std::uint8_t Fallback>
constexpr Setting_t<Record> choice(const char* key, const char* label, const char* option,
                                   const SettingChoice_t (&choices)[Count], const char* help)
{
    static_assert(Count < 256 && Fallback < Count, "a choice's items are indexed by one byte");
    Setting_t<Record> s{SettingKind::Choice, key, label, option, {0.0, Count - 1.0}, {0.0, Count - 1.0}, help};
    s.choiceOf = choiceIndex<Record, Enum, Field, static_cast<std::uint8_t>(Count), Fallback>;
    s.setChoice = setChoiceIndex<Record, Enum, Field>;
    s.choices = choices;
    s.choiceCount = static_cast<std::uint8_t>(Count);
    return s;
}

} // namespace setting

constexpr bool sameText(const char* a, const char* b)
{
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// The setting of `table` with the given key. Called in a constant expression,
// an unknown key does not compile.
template <typename Table>
constexpr const auto& settingOf(const Table& table, const char* key)
{
    for (const auto& s : table) {
        if (sameText(s.key, key))
            return s;
    }
    throw "no setting of that key";
}

// Copies `from` into `to` but for the derived settings of `table`, which
// stay `to`'s. `table` may describe a base of Record (the mappers' shared
// fields).
template <typename Table, typename Record>
void copyUserSettings(const Table& table, const Record& from, Record& to)
{
    const Record kept = to;
    to = from;
    for (const auto& s : table) {
        if (!s.derived)
            continue;
        if (s.real != nullptr)
            to.*s.real = kept.*s.real;
        if (s.real32 != nullptr)
            to.*s.real32 = kept.*s.real32;
        if (s.integer != nullptr)
            to.*s.integer = kept.*s.integer;
        if (s.size != nullptr)
            to.*s.size = kept.*s.size;
        if (s.flag != nullptr)
            to.*s.flag = kept.*s.flag;
        if (s.setChoice != nullptr)
            s.setChoice(to, s.choiceOf(kept));
    }
}

// Whether `size` is a power of two within the range.
constexpr bool isSizeIn(double size, SettingRange_t range)
{
    if (!(size >= range.low && size <= range.high) || size < 1.0)
        return false;
    double power = 1.0;
    while (power < size)
        power += power;
    return power == size;
}

} // namespace dravik

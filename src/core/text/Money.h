#pragma once
#include <cstdint>
#include <optional>
#include <string>

// Exact decimal money: an amount in ten-thousandths of the currency unit.
class CMoney {
public:
    static constexpr int64_t kScale = 10000;

    CMoney() = default;
    static CMoney FromUnits(int64_t tenThousandths) { return CMoney(tenThousandths); }
    static CMoney FromWhole(int64_t whole) { return CMoney(whole * kScale); }
    // Accepts an optional sign, digits and an optional fraction ("19.99", "-3", ".5", "7.").
    // Surrounding blanks are ignored; anything else, or an empty text, gives nothing.
    // Digits past the fourth decimal are rounded half away from zero.
    static std::optional<CMoney> Parse(const std::string& text);
    // Parse, with an empty or unreadable text taken as zero (for lenient totals of stored rows).
    static CMoney ParseOrZero(const std::string& text);

    int64_t Units() const { return m_units; }
    // Two decimals, rounded half away from zero: "59.97".
    std::string Format2() const;
    // Shortest exact form: "19.99", "3", "0.125".
    std::string FormatExact() const;
    // All four decimals: "15.0000", "0.0167" (a cost price is stored so).
    std::string Format4() const;
    // Rounded to hundredths, half away from zero: the value Format2 shows.
    CMoney RoundedTo2() const;

    // Multiplies by a whole quantity; nothing on overflow.
    std::optional<CMoney> TimesQuantity(int64_t quantity) const;

    CMoney operator+(CMoney o) const { return CMoney(m_units + o.m_units); }
    CMoney operator-(CMoney o) const { return CMoney(m_units - o.m_units); }
    CMoney operator-() const { return CMoney(-m_units); }
    CMoney& operator+=(CMoney o) {
        m_units += o.m_units;
        return *this;
    }
    auto operator<=>(const CMoney&) const = default;

private:
    explicit CMoney(int64_t units) : m_units(units) {}
    int64_t m_units = 0;
};

// A sum of many amounts, kept in 128 bits: no run of stored amounts can overflow it. Every
// total of money over stored rows (balances, statements, reports, the stock total) adds here.
class CMoneySum {
public:
    CMoneySum() = default;
    CMoneySum(CMoney m) : m_units(m.Units()) {} // NOLINT: an amount is a sum of one
    // Reads what Format2 writes (and any amount CMoney::Parse reads), however wide; digits
    // past the fourth decimal are rounded half away from zero. Nothing for anything else.
    static std::optional<CMoneySum> Parse(const std::string& text);

    __int128 Units() const { return m_units; }
    static CMoneySum FromUnits(__int128 units) { return Of(units); }
    // Two decimals, rounded half away from zero, at any width: "1844674407370955.16".
    std::string Format2() const;
    // The amount when it fits one CMoney.
    std::optional<CMoney> Narrow() const;

    CMoneySum operator+(CMoneySum o) const { return Of(m_units + o.m_units); }
    CMoneySum operator-(CMoneySum o) const { return Of(m_units - o.m_units); }
    CMoneySum operator-() const { return Of(-m_units); }
    CMoneySum& operator+=(CMoneySum o) {
        m_units += o.m_units;
        return *this;
    }
    CMoneySum& operator-=(CMoneySum o) {
        m_units -= o.m_units;
        return *this;
    }
    auto operator<=>(const CMoneySum&) const = default;

private:
    static CMoneySum Of(__int128 units) {
        CMoneySum s;
        s.m_units = units;
        return s;
    }
    __int128 m_units = 0;
};

// The text a unit price is stored and shown as: the typed text without surrounding blanks when
// it is a number of at most four decimals, so "2.10" stays "2.10"; otherwise the exact form of
// the value amounts are computed from ("2.123456" → "2.1235"; an unreadable text → "0").
std::string PriceText(const std::string& typed);

// How many digits follow the decimal point of a number as typed ("5.00001" → 5, "5" → 0),
// surrounding blanks ignored: money a user types is refused past the cent by this, since
// reading it rounds the digits away.
size_t TypedDecimals(const std::string& text);

// A whole-number quantity: optional sign and digits only, surrounding blanks ignored.
// "2.5", "", "3x" and values outside int64 give nothing.
std::optional<int64_t> ParseWholeNumber(const std::string& text);
// Leading digits of a stored quantity, as the stock rows were always read ("12abc" → 12, "" → 0).
int64_t LeadingInteger(const std::string& text);

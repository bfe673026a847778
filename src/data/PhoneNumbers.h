#pragma once

#include <QString>
#include <QStringView>

// One phone number is written in several ways: "+60123456789" and "60123456789" with the
// country's code, "0123456789" as dialled at home, with blanks or dashes. These give
// every way of writing one number the same key, so a delivery report, a reply or an
// opt-out finds the number however the contact list holds it.

// The country calling code an international number starts with ("60" for
// "+60120000015"), by the lengths the ITU gives the codes; empty for a number without
// digits enough.
QString countryCodeOf(QStringView internationalNumber);

// The number's key: its digits after the country code when the number is of the
// country (written with "+" or "00" and the code, with the code alone, or with the
// trunk "0"), else "+" and every digit of a foreign number. A text without digits (a
// sender's name) is its own key, in upper case.
QString numberKey(QStringView number, QStringView countryCode);

// The number's digits alone, without "+", blanks or dashes.
QString numberDigits(QStringView number);

// Whether two numbers are one, written either way.
bool sameNumber(QStringView first, QStringView second, QStringView countryCode);

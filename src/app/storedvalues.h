#pragma once

#include <QString>
#include <QtGlobal>

class QSettings;

// Numbers, switches and names read back from the settings store. A stored text may be anything
// a hand edit or a damaged file left there: "nan", "inf", a number too large for its type, or no
// number at all. None of these reaches a member: each reads as the repair value the
// caller gives, exactly as a number outside the key's range does. Each value refused
// goes to the debug log once a run, with its key and the text stored.
namespace StoredValues {

enum class Repair {
    Silent,     // the store keeps what it holds
    WriteBack,  // the repair value is written under the key at once
    Complete,   // so is the default of a missing key, so the store shows what is used
};

// The finite number under key when it lies in [low, high]; absent when the key is
// missing; otherwise repair, written back in the printf form (e.g. "%08.1f") when one
// is given.
double Real(QSettings& settings, const QString& key, double absent, double low, double high, double repair,
            const char* form = nullptr);

// The whole number under key when it lies in [low, high]; absent when the key is
// missing; otherwise repair. A text such as "4.5" or "1e3" is no whole number.
qint64 Wide(QSettings& settings, const QString& key, qint64 absent, qint64 low, qint64 high, qint64 repair,
            Repair writeBack = Repair::Silent);
int Integer(QSettings& settings, const QString& key, int absent, int low, int high, int repair,
            Repair writeBack = Repair::Silent);

// Any finite number, or any int, under key; absent when the key is missing or holds
// anything else. Nothing is written.
double Real(const QSettings& settings, const QString& key, double absent);
int Integer(const QSettings& settings, const QString& key, int absent);

// The switch under key: "true" and "1" are on, "false" and "0" off. Anything else reads as
// absent and is written back, since a plain conversion would take any other text, "nan"
// say, for on, and a switch that opens a network port or sets the clock must not turn
// itself on. A missing key reads as absent, written only under Repair::Complete.
bool Switch(QSettings& settings, const QString& key, bool absent, Repair writeBack = Repair::WriteBack);

// A name that can reach a device: not empty and without control characters. A NUL
// cuts a device path short inside the serial port's lock file, which then can never be
// removed, and every later start-up dies on it.
bool IsUsableName(const QString& name);

// The name under key (a port, say); absent when the key is missing. One that is no
// usable name, or no text at all, reads as absent, which is written back.
QString Name(QSettings& settings, const QString& key, const QString& absent);

// Says in the debug log, once a run, that the text stored under key was refused and
// used is taken instead.
void SayRefused(const QSettings& settings, const QString& key, const QString& used);

// Forgets which refused values were said, as a new run would.
void ForgetRefusals();

}  // namespace StoredValues

#pragma once

#include <QByteArray>
#include <QLocale>

#include <ctime>

namespace testsupport {

// Runs a test in another time zone and restores the one before.
class TimeZoneScope {
public:
    explicit TimeZoneScope(const char* zone) : m_had(qEnvironmentVariableIsSet("TZ")), m_old(qgetenv("TZ")) {
        qputenv("TZ", zone);
        tzset();
    }
    ~TimeZoneScope() {
        if (m_had)
            qputenv("TZ", m_old);
        else
            qunsetenv("TZ");
        tzset();
    }
    TimeZoneScope(const TimeZoneScope&) = delete;
    TimeZoneScope& operator=(const TimeZoneScope&) = delete;

private:
    bool m_had;
    QByteArray m_old;
};

// Runs a test with another default language and restores the one before.
class LocaleScope {
public:
    explicit LocaleScope(const QLocale& locale) : m_old(QLocale()) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(m_old); }
    LocaleScope(const LocaleScope&) = delete;
    LocaleScope& operator=(const LocaleScope&) = delete;

private:
    QLocale m_old;
};

} // namespace testsupport

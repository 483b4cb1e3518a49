#include "app/UserSettings.h"

namespace zox {

namespace {

// The operator keys in the order they are read and written.
template <class Info, class F>
void forEachKey(Info& u, F f)
{
    f("Rig Type", u.Rig.Type);
    f("Rig Power", u.Rig.Power);
    f("Antenna", u.Rig.Antenna);
    f("User FName", u.User.FName);
    f("User LName", u.User.LName);
    f("User Addr", u.User.Addr);
    f("User City", u.User.City);
    f("User Country", u.User.Country);
    f("User Call", u.User.Call);
    f("User Multi", u.User.Multi);
}

}  // namespace

void ReadUserInfo(const IniFile& ini, TUserInfo& info)
{
    forEachKey(info, [&](const char* key, QString& field) {
        const QString def = qstrcmp(key, "User Call") == 0 ? QStringLiteral("X9XX") : QString();
        field = ini.ReadString(kMainSection, QLatin1String(key), def);
    });
}

void WriteUserInfo(IniFile& ini, const TUserInfo& info)
{
    forEachKey(info, [&](const char* key, const QString& field) {
        ini.WriteString(kMainSection, QLatin1String(key), field);
    });
}

bool ReadUtcMode(const IniFile& ini)
{
    return ini.ReadString(kMainSection, QStringLiteral("Time"), QStringLiteral("0")) == QLatin1String("0");
}

void WriteUtcMode(IniFile& ini, bool utc)
{
    ini.WriteString(kMainSection, QStringLiteral("Time"), utc ? QStringLiteral("0") : QStringLiteral("1"));
}

}  // namespace zox

// The settings file read from any bytes. Reading never fails on a readable
// file, an unchanged file is written back byte for byte, and a value written
// reads back, from memory and from the saved file, without disturbing the
// keys around it.

#include "FuzzSupport.h"
#include "app/IniFile.h"

#include <array>
#include <cstdint>

using namespace zox;

namespace {

struct Key {
    const char* section;
    const char* key;
};

// Keys the program reads, and names a file may hold in odd spellings.
constexpr std::array kKeys{
    Key{"TMainFrm", "User Call"}, Key{"TMainFrm", "Keyer Speed"}, Key{"TMainFrm", "Keyer F1"},
    Key{"TMainFrm", "NormPos"},   Key{"TMainFrm", "FormVersion"}, Key{"TMainFrm", "Time"},
    Key{"Keyer", "x"},            Key{"a", "b"},                   Key{"TMAINFRM", "user call"},
};

struct Reading {
    bool exists;
    QString text;
    int number;
    bool operator==(const Reading&) const = default;
};

std::array<Reading, kKeys.size()> ReadAll(const IniFile& ini)
{
    std::array<Reading, kKeys.size()> out;
    for (size_t i = 0; i < kKeys.size(); ++i) {
        const QString s = QString::fromLatin1(kKeys[i].section), k = QString::fromLatin1(kKeys[i].key);
        out[i] = {ini.ValueExists(s, k), ini.ReadString(s, k, QStringLiteral("<none>")), ini.ReadInteger(s, k, -7)};
    }
    return out;
}

// A value made from the input's last bytes: printable ASCII (quotes, blanks,
// "=", "[" and ";" included) and Slovene letters, all of which code page 1250 holds.
QString ValueFrom(const QByteArray& bytes)
{
    static const QString slovene = QString::fromUtf8("ČŠŽčšžĆćĐđ");
    QString v;
    for (qsizetype i = std::max<qsizetype>(0, bytes.size() - 12); i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        v += b >= 0xF0 ? slovene[b % slovene.size()] : QChar(0x20 + b % 95);
    }
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString path = fuzz::ScratchPath(QStringLiteral("Zox.ini"));
    fuzz::WriteScratch(path, bytes);

    IniFile ini(path);  // a readable file: IniFileError here would be a finding
    FUZZ_CHECK(ini.Bytes() == bytes);
    FUZZ_CHECK(!ini.Modified());
    const auto before = ReadAll(ini);

    const QString section = QStringLiteral("TMainFrm"), key = QStringLiteral("User Call");
    const QString value = ValueFrom(bytes);
    ini.WriteString(section, key, value);
    FUZZ_CHECK(ini.ReadString(section, key, QString()) == value);
    const auto after = ReadAll(ini);
    for (size_t i = 0; i < kKeys.size(); ++i) {
        const bool same = QString::compare(QString::fromLatin1(kKeys[i].section), section, Qt::CaseInsensitive) == 0
                          && QString::compare(QString::fromLatin1(kKeys[i].key), key, Qt::CaseInsensitive) == 0;
        if (!same) FUZZ_CHECK(after[i] == before[i]);
    }

    ini.UpdateFile();
    IniFile again(path);
    FUZZ_CHECK(again.Bytes() == ini.Bytes());
    FUZZ_CHECK(again.ReadString(section, key, QString()) == value);
    FUZZ_CHECK(ReadAll(again) == after);
    return 0;
}

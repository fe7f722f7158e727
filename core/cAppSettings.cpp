#include "core/cAppSettings.h"

#include "core/cRegistry.h"
#include "platform/Prompts.h"
#include "platform/RegistryStore.h"
#include "platform/VbError.h"

#include <QDir>

#include <QHash>

#include <cmath>
#include <limits>
#include <optional>
#include <variant>

cAppSettings gAppSettings;

const QString cAppSettings::kSection = QStringLiteral("Software\\Velmora\\AppSettings");
const QString cAppSettings::kDefaultDataServer = QStringLiteral("data.velmora.com.au");

namespace
{
using Member = std::variant<QString cAppSettings::*, qint32 cAppSettings::*, bool cAppSettings::*,
                            float cAppSettings::*>;

// Registry value name -> member. Two values are stored under names that
// differ from their members: "Upgraded" and "CompanyName".
const QHash<QString, Member>& members()
{
    static const QHash<QString, Member> table = {
        {QStringLiteral("DBPath"), &cAppSettings::DBPath},
        {QStringLiteral("DataServer"), &cAppSettings::DataServer},
        {QStringLiteral("AddDataPath"), &cAppSettings::AddDataPath},
        {QStringLiteral("BackupPath"), &cAppSettings::BackupPath},
        {QStringLiteral("DebugPath"), &cAppSettings::DebugPath},
        {QStringLiteral("MainTrainerSortKey"), &cAppSettings::MainTrainerSortKey},
        {QStringLiteral("StatHorseSortKey"), &cAppSettings::StatHorseSortKey},
        {QStringLiteral("StatTrainerSortKey"), &cAppSettings::StatTrainerSortKey},
        {QStringLiteral("StatJockeySortKey"), &cAppSettings::StatJockeySortKey},
        {QStringLiteral("MainTrainerOrder"), &cAppSettings::MainTrainerOrder},
        {QStringLiteral("MainTrainerWidth"), &cAppSettings::MainTrainerWidth},
        {QStringLiteral("MainNomsOrder"), &cAppSettings::MainNomsOrder},
        {QStringLiteral("MainNomsWidth"), &cAppSettings::MainNomsWidth},
        {QStringLiteral("MainLeft"), &cAppSettings::MainLeft},
        {QStringLiteral("MainTop"), &cAppSettings::MainTop},
        {QStringLiteral("MainWidth"), &cAppSettings::MainWidth},
        {QStringLiteral("MainHeight"), &cAppSettings::MainHeight},
        {QStringLiteral("MainMax"), &cAppSettings::MainMax},
        {QStringLiteral("AppVersion"), &cAppSettings::AppVersion},
        {QStringLiteral("Upgraded"), &cAppSettings::AlreadyUpgraded},
        {QStringLiteral("DefaultState"), &cAppSettings::DefaultState},
        {QStringLiteral("AllowGetData"), &cAppSettings::AllowGetData},
        {QStringLiteral("ABN"), &cAppSettings::ABN},
        {QStringLiteral("ApplyGST"), &cAppSettings::ApplyGST},
        {QStringLiteral("CompanyName"), &cAppSettings::Companyname},
        {QStringLiteral("NextInvoiceNumber"), &cAppSettings::NextInvoiceNumber},
        {QStringLiteral("UserName"), &cAppSettings::UserName},
        {QStringLiteral("RegNo"), &cAppSettings::RegNo},
        {QStringLiteral("RaceRaceOrder"), &cAppSettings::RaceRaceOrder},
        {QStringLiteral("RaceRaceWidth"), &cAppSettings::RaceRaceWidth},
        {QStringLiteral("RaceLeft"), &cAppSettings::RaceLeft},
        {QStringLiteral("RaceTop"), &cAppSettings::RaceTop},
        {QStringLiteral("RaceWidth"), &cAppSettings::RaceWidth},
        {QStringLiteral("RaceHeight"), &cAppSettings::RaceHeight},
        {QStringLiteral("RaceMax"), &cAppSettings::RaceMax},
        {QStringLiteral("RaceResultsGridOrder"), &cAppSettings::RaceResultsGridOrder},
        {QStringLiteral("RaceResultsGridWidth"), &cAppSettings::RaceResultsGridWidth},
        {QStringLiteral("RaceResultsLeft"), &cAppSettings::RaceResultsLeft},
        {QStringLiteral("RaceResultsTop"), &cAppSettings::RaceResultsTop},
        {QStringLiteral("RaceResultsWidth"), &cAppSettings::RaceResultsWidth},
        {QStringLiteral("RaceResultsHeight"), &cAppSettings::RaceResultsHeight},
        {QStringLiteral("RaceResultsMax"), &cAppSettings::RaceResultsMax},
        {QStringLiteral("StatHorseOrder"), &cAppSettings::StatHorseOrder},
        {QStringLiteral("StatHorseWidth"), &cAppSettings::StatHorseWidth},
        {QStringLiteral("FrmHorseLeft"), &cAppSettings::FrmHorseLeft},
        {QStringLiteral("FrmHorseTop"), &cAppSettings::FrmHorseTop},
        {QStringLiteral("FrmHorseWidth"), &cAppSettings::FrmHorseWidth},
        {QStringLiteral("FrmHorseHeight"), &cAppSettings::FrmHorseHeight},
        {QStringLiteral("FrmHorseMax"), &cAppSettings::FrmHorseMax},
        {QStringLiteral("StatJockeyOrder"), &cAppSettings::StatJockeyOrder},
        {QStringLiteral("StatJockeyWidth"), &cAppSettings::StatJockeyWidth},
        {QStringLiteral("FrmJockeyLeft"), &cAppSettings::FrmJockeyLeft},
        {QStringLiteral("FrmJockeyTop"), &cAppSettings::FrmJockeyTop},
        {QStringLiteral("FrmJockeyWidth"), &cAppSettings::FrmJockeyWidth},
        {QStringLiteral("FrmJockeyHeight"), &cAppSettings::FrmJockeyHeight},
        {QStringLiteral("FrmJockeyMax"), &cAppSettings::FrmJockeyMax},
        {QStringLiteral("StatTrainerOrder"), &cAppSettings::StatTrainerOrder},
        {QStringLiteral("StatTrainerWidth"), &cAppSettings::StatTrainerWidth},
        {QStringLiteral("FrmTrainerLeft"), &cAppSettings::FrmTrainerLeft},
        {QStringLiteral("FrmTrainerTop"), &cAppSettings::FrmTrainerTop},
        {QStringLiteral("FrmTrainerWidth"), &cAppSettings::FrmTrainerWidth},
        {QStringLiteral("FrmTrainerHeight"), &cAppSettings::FrmTrainerHeight},
        {QStringLiteral("FrmTrainerMax"), &cAppSettings::FrmTrainerMax},
        {QStringLiteral("AlwCalcWeights"), &cAppSettings::AlwCalcWeights},
        {QStringLiteral("ExtChgText1"), &cAppSettings::ExtChgText1},
        {QStringLiteral("ExtChgText2"), &cAppSettings::ExtChgText2},
        {QStringLiteral("ExtChgVal1"), &cAppSettings::ExtChgVal1},
        {QStringLiteral("ExtChgVal2"), &cAppSettings::ExtChgVal2},
    };
    return table;
}

const QStringList& loadOrder()
{
    static const QStringList order = QStringLiteral(
        "DBPath DataServer AddDataPath BackupPath DebugPath MainTrainerSortKey StatHorseSortKey "
        "StatTrainerSortKey StatJockeySortKey MainTrainerOrder MainTrainerWidth MainNomsOrder MainNomsWidth "
        "MainLeft MainTop MainHeight MainWidth MainMax RaceRaceOrder RaceRaceWidth RaceLeft RaceTop RaceHeight "
        "RaceWidth RaceMax RaceResultsGridOrder RaceResultsGridWidth RaceResultsLeft RaceResultsTop "
        "RaceResultsHeight RaceResultsWidth RaceResultsMax StatHorseOrder StatHorseWidth FrmHorseLeft FrmHorseTop "
        "FrmHorseHeight FrmHorseWidth FrmHorseMax StatJockeyOrder StatJockeyWidth FrmJockeyLeft FrmJockeyTop "
        "FrmJockeyHeight FrmJockeyWidth FrmJockeyMax StatTrainerOrder StatTrainerWidth FrmTrainerLeft "
        "FrmTrainerTop FrmTrainerHeight FrmTrainerWidth FrmTrainerMax AppVersion Upgraded DefaultState "
        "AllowGetData ABN ApplyGST UserName RegNo NextInvoiceNumber CompanyName AlwCalcWeights ExtChgText1 "
        "ExtChgText2 ExtChgVal1 ExtChgVal2")
                                          .split(QLatin1Char(' '));
    return order;
}

const QStringList& saveOrder()
{
    static const QStringList order = [] {
        QStringList o = {QStringLiteral("DBPath"), QStringLiteral("DataServer"), QStringLiteral("AddDataPath"),
                         QStringLiteral("DebugPath"), QStringLiteral("BackupPath")};
        const QStringList& load = loadOrder();
        const auto from = load.indexOf(QStringLiteral("MainTrainerSortKey"));
        const auto to = load.indexOf(QStringLiteral("AllowGetData"));
        for (auto i = from; i <= to; ++i)
            o << load[i];
        o << QStringLiteral("ApplyGST") << QStringLiteral("NextInvoiceNumber") << QStringLiteral("CompanyName")
          << QStringLiteral("ABN") << QStringLiteral("UserName") << QStringLiteral("RegNo")
          << QStringLiteral("AlwCalcWeights") << QStringLiteral("ExtChgText1") << QStringLiteral("ExtChgText2")
          << QStringLiteral("ExtChgVal1") << QStringLiteral("ExtChgVal2");
        return o;
    }();
    return order;
}

// The numeric value of a stored text: blanks around it allowed, "." as the
// decimal point (a "," written under another number format is accepted too).
std::optional<double> numberOf(const QString& text)
{
    QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    double v = t.toDouble(&ok);
    if (!ok && t.count(QLatin1Char(',')) == 1 && !t.contains(QLatin1Char('.'))) {
        t.replace(QLatin1Char(','), QLatin1Char('.'));
        v = t.toDouble(&ok);
    }
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<qint32> toLong(const QString& text)
{
    const auto v = numberOf(text);
    if (!v)
        return std::nullopt;
    const double r = std::nearbyint(*v); // the default rounding mode: a half goes to the even neighbour
    if (r < std::numeric_limits<qint32>::min() || r > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(r);
}

std::optional<bool> toBool(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0)
        return false;
    const auto v = numberOf(t);
    if (!v)
        return std::nullopt;
    return *v != 0.0;
}

std::optional<float> toSingle(const QString& text)
{
    const auto v = numberOf(text);
    if (!v || std::fabs(*v) > std::numeric_limits<float>::max())
        return std::nullopt;
    return static_cast<float>(*v);
}
} // namespace

QStringList cAppSettings::valueNames()
{
    return saveOrder();
}

bool cAppSettings::LoadSettings()
{
    cRegistry reg;
    reg.setClassKey(RegistryStore::HKEY_CURRENT_USER);
    reg.setSectionKey(kSection);
    reg.setValueType(RegistryStore::REG_SZ);

    bool allGood = true;
    for (const QString& name : loadOrder()) {
        QVariant stored;
        try {
            reg.setValueKey(name);
            stored = reg.Value();
        } catch (const VbError&) {
            allGood = false;
            continue;
        }
        const bool missing = !stored.isValid();
        const QString text = stored.toString();
        // Each value converts on its own: one that does not convert keeps its
        // member as it was, and the values after it still load.
        const Member& m = members().value(name);
        if (auto p = std::get_if<QString cAppSettings::*>(&m)) {
            this->*(*p) = text;
        } else if (auto p = std::get_if<qint32 cAppSettings::*>(&m)) {
            const auto v = missing ? std::optional<qint32>(0) : toLong(text);
            if (v)
                this->*(*p) = *v;
            else
                allGood = false;
        } else if (auto p = std::get_if<bool cAppSettings::*>(&m)) {
            const auto v = missing ? std::optional<bool>(false) : toBool(text);
            if (v)
                this->*(*p) = *v;
            else
                allGood = false;
        } else if (auto p = std::get_if<float cAppSettings::*>(&m)) {
            const auto v = missing ? std::optional<float>(0) : toSingle(text);
            if (v)
                this->*(*p) = *v;
            else
                allGood = false;
        }
        if (name == QStringLiteral("DataServer") && DataServer.isEmpty())
            DataServer = kDefaultDataServer;
    }
    return allGood;
}

bool cAppSettings::SaveSettings(Tell tell)
{
    cRegistry reg;
    reg.setClassKey(RegistryStore::HKEY_CURRENT_USER);
    reg.setSectionKey(kSection);
    reg.setValueType(RegistryStore::REG_SZ);
    try {
        reg.BeginBatch();
        for (const QString& name : saveOrder()) {
            reg.setValueKey(name);
            const Member& m = members().value(name);
            if (auto p = std::get_if<QString cAppSettings::*>(&m))
                reg.setValue(this->*(*p));
            else if (auto p = std::get_if<qint32 cAppSettings::*>(&m))
                reg.setValue(this->*(*p));
            else if (auto p = std::get_if<bool cAppSettings::*>(&m))
                reg.setValue(this->*(*p));
            else if (auto p = std::get_if<float cAppSettings::*>(&m))
                reg.setValue(this->*(*p));
        }
        reg.CommitBatch();
    } catch (const VbError& e) {
        // The store on disk is left as it was: say so, and why this save
        // failed, so a full disk is not found out only at the next start.
        const QString reason = reg.LastStoreError().isEmpty() ? e.description() : reg.LastStoreError();
        const auto show = tell == Tell::Always ? &Prompts::MsgBox : &Prompts::MsgBoxOncePerRun;
        show(QStringLiteral("The settings could not be saved to: \r")
                            + QDir::toNativeSeparators(reg.StoreFile()) + QStringLiteral(" \r\r")
                            + reason + QStringLiteral(" \r\r")
                            + QStringLiteral("The settings saved before are kept unchanged."),
                        Prompts::vbCritical, QStringLiteral("Settings Error"));
        return false;
    }
    return true;
}

bool cAppSettings::ReportDamagedSettings()
{
    const std::optional<RegistryStore::Damage> damage = RegistryStore::takeDamage();
    if (!damage)
        return false;
    Prompts::MsgBox(QStringLiteral("The settings file was damaged and could not be read: ") + QLatin1Char('\r')
                        + QDir::toNativeSeparators(damage->file) + QStringLiteral(" \r\r")
                        + QStringLiteral("The damaged file has been kept as: ") + QLatin1Char('\r')
                        + QDir::toNativeSeparators(damage->keptAs) + QStringLiteral(" \r\r")
                        + QStringLiteral("The program is using default settings. Check the database folder and "
                                         "the other settings in System Defaults."),
                    Prompts::vbExclamation, QStringLiteral("Settings Error"));
    return true;
}

#include "backup/snapshot.h"

#include <cstdio>

namespace kavrel::backup {

namespace {

std::string Where(const optimiser::PlannedValue& plan) {
    return std::string(RootKeyName(plan.root)) + "\\" + plan.keyPath + ", « " + plan.valueName + " »";
}

}  // namespace

std::string DisplayTime(const LocalTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return buf;
}

std::string BackupFileName(const LocalTime& t, int attempt) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "sauvegarde-%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    std::string name = buf;
    if (attempt > 1) name += "-" + std::to_string(attempt);
    return name + ".reg";
}

bool Holds(const registry::ValueRead& read, const std::optional<registry::RawValue>& after) {
    if (read.state == registry::ReadState::Present) return after && read.value == *after;
    if (read.state == registry::ReadState::ValueAbsent) return !after;
    return false;
}

ValueState ValueNow::State() const {
    if (notApplicable) return ValueState::NotApplicable;
    switch (read.state) {
        case registry::ReadState::KeyAbsent: return ValueState::KeyMissing;
        case registry::ReadState::AccessRefused: return ValueState::AccessRefused;
        case registry::ReadState::Failed: return ValueState::ReadError;
        case registry::ReadState::Present:
        case registry::ReadState::ValueAbsent: break;
    }
    return Holds(read, plan.after) ? ValueState::AlreadySet : ValueState::WillChange;
}

std::optional<registry::RawValue> ValueNow::Current() const {
    if (!notApplicable && read.state == registry::ReadState::Present) return read.value;
    return std::nullopt;
}

std::vector<ValueNow> ReadPlannedValues(registry::Backend& backend, const optimiser::Plan& plan, const Scope& scope) {
    std::vector<ValueNow> values;
    values.reserve(plan.size());
    for (const auto& planned : plan) {
        ValueNow now;
        now.plan = planned;
        now.notApplicable = scope.skipCurrentUser && planned.root == registry::kHkeyCurrentUser;
        if (!now.notApplicable) now.read = registry::ReadValue(backend, planned.root, planned.keyPath, planned.valueName);
        values.push_back(std::move(now));
    }
    return values;
}

BackupDocument MakeBackup(const std::vector<ValueNow>& values, const BackupFacts& facts) {
    BackupDocument doc;
    doc.header = {
        "; " + facts.program + " : sauvegarde des réglages avant optimisation",
        "; Date : " + DisplayTime(facts.time) + " (heure locale)",
        "; Ordinateur : " + facts.computer,
        "; Utilisateur : " + facts.user,
        "; Profil : " + (facts.profile ? facts.profile->type + " " + facts.profile->speed : std::string("inconnu")),
        "; Pour revenir à ces réglages : double-cliquez ce fichier, ou « linktune restore FICHIER ».",
    };
    for (const auto& v : values) {
        switch (v.State()) {
            case ValueState::NotApplicable:
                doc.body.emplace_back(Note{"; non applicable sous le compte système local : " + Where(v.plan)});
                break;
            case ValueState::KeyMissing:
                doc.body.emplace_back(Note{"; clé absente, rien à sauvegarder : " + Where(v.plan)});
                break;
            case ValueState::AccessRefused:
                doc.body.emplace_back(Note{"; lecture refusée, valeur non sauvegardée : " + Where(v.plan)});
                break;
            case ValueState::ReadError:
                doc.body.emplace_back(Note{"; lecture impossible (erreur " + std::to_string(v.read.status) +
                                           "), valeur non sauvegardée : " + Where(v.plan)});
                break;
            case ValueState::WillChange:
            case ValueState::AlreadySet:
                doc.body.emplace_back(SavedValue{v.plan.root, v.plan.keyPath, v.plan.valueName, v.Current()});
                break;
            case ValueState::Changed:
            case ValueState::Failed:
            case ValueState::Restored:
                break;  // states after a run or a restore: State() never gives them
        }
    }
    return doc;
}

BackupTaken TakeBackup(registry::Backend& backend, const optimiser::Plan& plan, const BackupFacts& facts,
                       BackupTarget& target, const Scope& scope) {
    BackupTaken taken;
    taken.values = ReadPlannedValues(backend, plan, scope);
    for (const auto& v : taken.values) {
        // A value the run may still write but that could not be read would
        // have no way back: no backup, so no run.
        if (v.State() == ValueState::ReadError) {
            throw BackupWriteError("la valeur " + Where(v.plan) + " n'a pas pu être lue (erreur " +
                                   std::to_string(v.read.status) + ")");
        }
    }
    std::vector<std::uint8_t> bytes;
    try {
        bytes = WriteBackupFile(MakeBackup(taken.values, facts));
    } catch (const std::invalid_argument& e) {
        throw BackupWriteError(std::string("sauvegarde impossible à mettre en forme : ") + e.what());
    }
    taken.path = target.Store(bytes, facts.time);
    return taken;
}

}  // namespace kavrel::backup

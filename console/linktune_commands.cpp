#include "console/linktune_commands.h"

#include <algorithm>
#include <map>
#include <optional>
#include <stdexcept>

#include "backup/reg_file.h"
#include "backup/restore.h"
#include "backup/run_report.h"
#include "backup/snapshot.h"
#include "console/value_format.h"
#include "optimiser/run_plan.h"

namespace kavrel::console {

namespace {

// A failure that ends the command with its exit code and message.
struct Failure {
    int exit;
    std::string message;
};

struct Options {
    std::string command;
    std::vector<std::string> positional;
    bool json = false;
    bool noBackup = false;
    bool dryRun = false;
    std::optional<std::string> backupFile;
};

Options Parse(const std::vector<std::string>& args) {
    Options o;
    o.command = args.front();
    auto once = [&](bool& flag, const std::string& name) {
        if (flag) throw Failure{kExitUsage, "l'option " + name + " est donnée deux fois"};
        flag = true;
    };
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--json") {
            once(o.json, a);
        } else if (a == "--no-backup") {
            once(o.noBackup, a);
        } else if (a == "--dry-run") {
            once(o.dryRun, a);
        } else if (a == "--backup") {
            if (o.backupFile) throw Failure{kExitUsage, "l'option --backup est donnée deux fois"};
            if (i + 1 >= args.size()) throw Failure{kExitUsage, "--backup attend un nom de fichier"};
            o.backupFile = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            throw Failure{kExitUsage, "option inconnue « " + a + " »"};
        } else {
            o.positional.push_back(a);
        }
    }
    const bool apply = o.command == "apply";
    if (o.noBackup && !apply) throw Failure{kExitUsage, "--no-backup ne va qu'avec apply"};
    if (o.backupFile && !apply) throw Failure{kExitUsage, "--backup ne va qu'avec apply"};
    if (o.noBackup && o.backupFile) throw Failure{kExitUsage, "--backup et --no-backup s'excluent"};
    if (o.dryRun && o.command != "restore") throw Failure{kExitUsage, "--dry-run ne va qu'avec restore"};
    if (o.json && o.command == "backup") throw Failure{kExitUsage, "--json ne va pas avec backup"};
    const std::size_t wanted = o.command == "backup" ? 3 : o.command == "restore" ? 1 : 2;
    if (o.positional.size() != wanted) {
        throw Failure{kExitUsage, "nombre d'arguments incorrect pour « " + o.command + " »"};
    }
    return o;
}

optimiser::Profile ProfileOf(const Options& o) {
    const std::string& type = o.positional[0];
    const std::string& speed = o.positional[1];
    if (!optimiser::KnownConnectionType(type)) {
        throw Failure{kExitUsage,
                      "type de connexion inconnu « " + type + " » (" + optimiser::ConnectionTypeChoices() + ")"};
    }
    auto profile = optimiser::ParseProfile(type, speed);
    if (!profile) throw Failure{kExitUsage, "débit inconnu « " + speed + " » (" + optimiser::SpeedChoices() + ")"};
    return *profile;
}

// One line of a command's report.
struct Row {
    std::uint32_t root = 0;
    std::string key, name, state;
    bool currentKnown = true;
    std::optional<registry::RawValue> current, after;
};

bool Known(const registry::ValueRead& read) {
    return read.state == registry::ReadState::Present || read.state == registry::ReadState::ValueAbsent;
}
std::optional<registry::RawValue> ValueOf(const registry::ValueRead& read) {
    if (read.state == registry::ReadState::Present) return read.value;
    return std::nullopt;
}

// Writes a command's result: lines of text, or one JSON document.
class Output {
public:
    Output(Host& host, bool json, std::string command) : host_(host), json_(json), command_(std::move(command)) {}

    void Profile(std::optional<optimiser::Profile> profile) { profile_ = std::move(profile); }
    void Backup(std::optional<std::string> path) {
        backup_ = std::move(path);
        hasBackup_ = true;
    }
    void Note(std::string line) { notes_.push_back(std::move(line)); }
    void Add(Row row) { rows_.push_back(std::move(row)); }

    int Finish(int exit) {
        json_ ? Json(exit, std::nullopt) : Text();
        return exit;
    }
    int Fail(const Failure& f) {
        host_.Err("linktune" + (command_.empty() ? std::string() : " " + command_) + " : " + f.message + "\n");
        if (json_) Json(f.exit, f.message);
        return f.exit;
    }

private:
    void Text() {
        std::string out;
        if (profile_) out += "Profil : " + profile_->type + " " + profile_->speed + "\n";
        if (hasBackup_) out += "Sauvegarde : " + (backup_ ? *backup_ : std::string("aucune (--no-backup)")) + "\n";
        for (const auto& n : notes_) out += n + "\n";
        std::map<std::string, int> counts;
        std::vector<std::string> order;
        for (const auto& r : rows_) {
            std::string state = r.state;
            state.resize(std::max<std::size_t>(state.size(), 15), ' ');
            out += state + " " + registry::RootName(r.root) + "\\" + r.key + " « " + r.name + " » : " +
                   (r.currentKnown ? ValueText(r.current) : std::string("(inconnue)")) + " -> " + ValueText(r.after) +
                   "\n";
            if (counts[r.state]++ == 0) order.push_back(r.state);
        }
        out += "Résumé : " + std::to_string(rows_.size()) + (rows_.size() > 1 ? " valeurs" : " valeur");
        for (std::size_t i = 0; i < order.size(); ++i) {
            out += (i ? ", " : " dont ") + std::to_string(counts[order[i]]) + " " + backup::StateLabel(order[i]);
        }
        out += ".\n";
        host_.Out(out);
    }

    void Json(int exit, const std::optional<std::string>& error) {
        std::string out = "{\"profile\": ";
        out += profile_ ? "{\"type\": " + JsonString(profile_->type) + ", \"speed\": " + profile_->speed + "}" : "null";
        if (hasBackup_) out += ", \"backup\": " + (backup_ ? JsonString(*backup_) : std::string("null"));
        out += ", \"values\": [";
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            const Row& r = rows_[i];
            out += i ? ",\n  " : "\n  ";
            out += "{\"root\": \"" + registry::RootName(r.root) + "\", \"key\": " + JsonString(r.key) +
                   ", \"name\": " + JsonString(r.name) + ", \"state\": " + JsonString(r.state) +
                   ", \"current\": " + (r.currentKnown ? ValueJson(r.current) : std::string("null")) +
                   ", \"after\": " + ValueJson(r.after) + "}";
        }
        out += rows_.empty() ? "]" : "\n]";
        if (error) out += ", \"error\": " + JsonString(*error);
        out += ", \"exit\": " + std::to_string(exit) + "}\n";
        host_.Out(out);
    }

    Host& host_;
    bool json_;
    std::string command_;
    std::optional<optimiser::Profile> profile_;
    std::optional<std::string> backup_;
    bool hasBackup_ = false;
    std::vector<std::string> notes_;
    std::vector<Row> rows_;
};

constexpr const char* kSystemAccountNote =
    "Compte système local : les valeurs de HKEY_CURRENT_USER ne sont pas celles d'un utilisateur, elles sont "
    "laissées telles quelles (not-applicable).";

backup::BackupFacts Facts(Host& host, const optimiser::Profile& profile) {
    return backup::BackupFacts{host.ProgramName(), host.Now(), host.ComputerName(), host.UserName(), profile};
}

Row RowOf(const backup::ValueNow& v) {
    return Row{v.plan.root,
               v.plan.keyPath,
               v.plan.valueName,
               backup::StateName(v.State()),
               !v.notApplicable && Known(v.read),
               v.Current(),
               v.plan.after};
}

int ShowOrCheck(const Options& o, Host& host, Output& out) {
    const optimiser::Profile profile = ProfileOf(o);
    out.Profile(profile);
    const backup::Scope scope{host.IsLocalSystem()};
    if (scope.skipCurrentUser) out.Note(kSystemAccountNote);
    const auto values = backup::ReadPlannedValues(host.Registry(), optimiser::PlanRun(profile), scope);
    bool compliant = true;
    for (const auto& v : values) {
        const backup::ValueState s = v.State();
        // A value that cannot be read counts as not holding.
        if (s == backup::ValueState::WillChange || s == backup::ValueState::AccessRefused ||
            s == backup::ValueState::ReadError) {
            compliant = false;
        }
        out.Add(RowOf(v));
    }
    if (o.command == "show") return out.Finish(kExitDone);
    return out.Finish(compliant ? kExitDone : kExitNotCompliant);
}

std::vector<backup::ValueNow> WriteBackup(Host& host, backup::BackupTarget* target, const optimiser::Profile& profile,
                                          const optimiser::Plan& plan, const backup::Scope& scope,
                                          std::string& path) {
    const std::string location = target ? target->Location() : "?";
    try {
        const backup::BackupTaken taken = backup::TakeBackup(host.Registry(), plan, Facts(host, profile), *target, scope);
        path = taken.path;
        return taken.values;
    } catch (const backup::BackupWriteError& e) {
        throw Failure{kExitBackupFailed, "la sauvegarde n'a pas pu être écrite dans « " + location + " » : " +
                                             e.what() + ". Aucun réglage n'a été modifié."};
    }
}

std::unique_ptr<backup::BackupTarget> Folder(Host& host) {
    try {
        return host.BackupFolder();
    } catch (const backup::BackupWriteError& e) {
        throw Failure{kExitBackupFailed,
                      std::string("la sauvegarde n'a pas pu être écrite : ") + e.what() + ". Aucun réglage n'a été modifié."};
    }
}

int Apply(const Options& o, Host& host, Output& out) {
    const optimiser::Profile profile = ProfileOf(o);
    out.Profile(profile);
    if (!host.IsAdministrator()) {
        throw Failure{kExitNeedsAdmin,
                      "les droits d'administrateur sont nécessaires : lancez linktune depuis une invite de commandes "
                      "ouverte en tant qu'administrateur. Aucun réglage n'a été modifié."};
    }
    const backup::Scope scope{host.IsLocalSystem()};
    if (scope.skipCurrentUser) out.Note(kSystemAccountNote);
    const optimiser::Plan plan = optimiser::PlanRun(profile);
    std::vector<backup::ValueNow> before;
    if (o.noBackup) {
        out.Backup(std::nullopt);
        before = backup::ReadPlannedValues(host.Registry(), plan, scope);
    } else {
        auto target = o.backupFile ? host.BackupFileAt(*o.backupFile) : Folder(host);
        std::string path;
        before = WriteBackup(host, target.get(), profile, plan, scope, path);
        out.Backup(path);
    }
    optimiser::ProfileOptions options(profile);
    const auto report = backup::RunAndReport(host.Registry(), options, before, scope);
    for (const auto& r : report) {
        Row row = RowOf(r.before);
        row.state = backup::StateName(r.state);
        row.after = r.state == backup::ValueState::NotApplicable ? std::nullopt : ValueOf(r.now);
        out.Add(std::move(row));
    }
    return out.Finish(backup::AnyRefused(report) ? kExitRefused : kExitDone);
}

int Backup(const Options& o, Host& host) {
    const optimiser::Profile profile = ProfileOf(o);
    const backup::Scope scope{host.IsLocalSystem()};
    auto target = host.BackupFileAt(o.positional[2]);
    std::string path;
    const auto values = WriteBackup(host, target.get(), profile, optimiser::PlanRun(profile), scope, path);
    std::size_t saved = 0;
    for (const auto& v : values) {
        const auto s = v.State();
        if (s == backup::ValueState::WillChange || s == backup::ValueState::AlreadySet) ++saved;
    }
    std::string text = "Sauvegarde écrite : " + path + " (" + std::to_string(saved) +
                       (saved > 1 ? " valeurs" : " valeur") + ", profil " + profile.type + " " + profile.speed + ")\n";
    if (scope.skipCurrentUser) text += std::string(kSystemAccountNote) + "\n";
    host.Out(text);
    return kExitDone;
}

std::optional<optimiser::Profile> ProfileInHeader(const backup::BackupContents& contents) {
    const std::string prefix = "; Profil : ";
    for (const auto& line : contents.header) {
        if (line.rfind(prefix, 0) != 0) continue;
        const std::string rest = line.substr(prefix.size());
        const std::size_t space = rest.find(' ');
        if (space == std::string::npos) return std::nullopt;
        return optimiser::ParseProfile(rest.substr(0, space), rest.substr(space + 1));
    }
    return std::nullopt;
}

int RestoreFile(const Options& o, Host& host, Output& out) {
    const std::string& file = o.positional[0];
    std::vector<std::uint8_t> bytes;
    try {
        bytes = host.ReadWholeFile(file);
    } catch (const std::runtime_error& e) {
        throw Failure{kExitUsage, "« " + file + " » n'a pas pu être lu : " + e.what()};
    }
    backup::BackupContents contents;
    try {
        contents = backup::ReadBackupFile(bytes);
        backup::CheckAgainstTable(contents);
    } catch (const backup::BackupFormatError& e) {
        throw Failure{kExitUsage, file + ", " + e.what() + ". Rien n'a été écrit."};
    }
    out.Profile(ProfileInHeader(contents));
    bool machine = false;
    for (const auto& v : contents.values) machine = machine || v.root == registry::kHkeyLocalMachine;
    if (!o.dryRun && machine && !host.IsAdministrator()) {
        throw Failure{kExitNeedsAdmin,
                      "les droits d'administrateur sont nécessaires pour écrire sous HKEY_LOCAL_MACHINE : lancez "
                      "linktune depuis une invite de commandes ouverte en tant qu'administrateur. Rien n'a été écrit."};
    }
    const backup::Scope scope{host.IsLocalSystem()};
    if (scope.skipCurrentUser) out.Note(kSystemAccountNote);
    const auto outcomes = backup::Restore(host.Registry(), contents, scope, o.dryRun);
    for (const auto& r : outcomes) {
        const bool notApplicable = r.state == backup::ValueState::NotApplicable;
        out.Add(Row{r.saved.root, r.saved.keyPath, r.saved.valueName, backup::StateName(r.state),
                    !notApplicable && Known(r.before), ValueOf(r.before), r.saved.value});
    }
    return out.Finish(backup::AnyRefused(outcomes) ? kExitRefused : kExitDone);
}

}  // namespace

std::string HelpText() {
    return "linktune : les réglages de connexion de Kavrel LinkTune, pour les scripts et les parcs de machines.\n"
           "\n"
           "Utilisation :\n"
           "  linktune show TYPE DÉBIT [--json]\n"
           "      Pour chaque valeur que le profil modifie : sa clé, son nom, sa valeur actuelle, sa valeur après\n"
           "      l'optimisation et son état. Ne fait que lire.\n"
           "  linktune apply TYPE DÉBIT [--backup FICHIER | --no-backup] [--json]\n"
           "      Sauvegarde les valeurs actuelles (par défaut dans le dossier des sauvegardes), puis applique le\n"
           "      profil comme le bouton « Optimiser » de la fenêtre.\n"
           "  linktune check TYPE DÉBIT [--json]\n"
           "      Vérifie que chaque valeur dont la clé existe est dans l'état que donne le profil.\n"
           "  linktune backup TYPE DÉBIT FICHIER\n"
           "      Écrit la sauvegarde des valeurs actuelles dans FICHIER (jamais par-dessus un fichier existant).\n"
           "  linktune restore FICHIER [--dry-run] [--json]\n"
           "      Remet les valeurs d'une sauvegarde, après avoir vérifié tout le fichier. Avec --dry-run, dit\n"
           "      seulement ce qui serait fait.\n"
           "\n"
           "  TYPE   " + optimiser::ConnectionTypeChoices() + "\n"
           "  DÉBIT  " + optimiser::SpeedChoices() + "\n"
           "\n"
           "États : " + backup::StateNames(backup::StatesBeforeRun()) + " (show, check) ;\n"
           "        " + backup::StateNames(backup::StatesAfterRun()) + " (apply) ;\n"
           "        " + backup::StateNames(backup::StatesOfRestore()) + " (restore).\n"
           "\n"
           "Codes de sortie :\n"
           "  0  fait, ou conforme\n"
           "  1  non conforme (check seulement)\n"
           "  2  mauvaise utilisation, ou fichier de sauvegarde invalide\n"
           "  3  des valeurs ont été refusées (accès refusé ou autre erreur du registre)\n"
           "  4  droits d'administrateur nécessaires\n"
           "  5  la sauvegarde n'a pas pu être écrite (rien n'a été modifié)\n";
}

int RunLinktune(const std::vector<std::string>& args, Host& host) {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "/?" || args[0] == "help")) {
        host.Out(HelpText());
        return kExitDone;
    }
    const std::string command = args.empty() ? std::string() : args[0];
    bool json = false;
    for (const auto& a : args) json = json || a == "--json";
    Output out(host, json && command != "backup", command);
    try {
        if (args.empty()) throw Failure{kExitUsage, "commande attendue. Voir « linktune --help »."};
        if (command != "show" && command != "apply" && command != "check" && command != "backup" &&
            command != "restore") {
            Output plain(host, false, "");
            return plain.Fail(Failure{kExitUsage, "commande inconnue « " + command + " ». Voir « linktune --help »."});
        }
        const Options options = Parse(args);
        if (command == "show" || command == "check") return ShowOrCheck(options, host, out);
        if (command == "apply") return Apply(options, host, out);
        if (command == "backup") return Backup(options, host);
        return RestoreFile(options, host, out);
    } catch (const Failure& f) {
        return out.Fail(f);
    } catch (const std::exception& e) {
        return out.Fail(Failure{kExitRefused, std::string("erreur inattendue : ") + e.what()});
    }
}

}  // namespace kavrel::console

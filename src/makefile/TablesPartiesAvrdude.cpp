#include "makefile/TablesPartiesAvrdude.h"

#include "common/Texte.h"
#include "noyau/plateforme/Processus.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>

namespace TablesPartiesAvrdude {

namespace {

// Un identifiant et un nom de circuit : lettres, chiffres et quelques signes, rien d'autre.
bool estMotDePartie(QStringView mot) {
    if (mot.isEmpty() || mot.size() > 40) return false;
    return std::all_of(mot.begin(), mot.end(), [](QChar c) {
        return (c.unicode() < 128 && c.isLetterOrNumber()) || c == u'_' || c == u'-' || c == u'+' ||
               c == u'.';
    });
}

struct Cache {
    Parties parties;
    bool lu = false;
    Composants composants;
    bool composantsLus = false;
};

Cache& cache() {
    static Cache c;
    return c;
}

void arrêter(QProcess& p) {
    p.kill();
    p.waitForFinished(1000);
}

// Sortie (les deux flux mêlés) d'un programme de PATH ; rien s'il manque, ne démarre pas, dépasse
// le délai (il est alors arrêté), écrit plus que TailleMaximale ou finit sur un plantage. Le code
// de sortie ne compte pas : avrdude finit en erreur après avoir donné sa liste.
std::optional<QByteArray> sortieDe(const QString& programme, const QStringList& arguments, int délaiMs) {
    const QString chemin = Processus::trouverProgramme(programme);
    if (chemin.isEmpty()) return std::nullopt;

    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels); // avrdude écrit sa liste sur stderr
    p.setStandardInputFile(QProcess::nullDevice());
    const QDeadlineTimer fin(délaiMs);
    p.start(chemin, arguments);
    if (!p.waitForStarted(std::max(1, int(fin.remainingTime())))) {
        arrêter(p);
        return std::nullopt;
    }
    // Lecture au fil de l'eau : un programme bavard ne remplit pas la mémoire.
    QByteArray sortie;
    for (;;) {
        sortie += p.readAll();
        if (sortie.size() > TailleMaximale) {
            arrêter(p);
            return std::nullopt;
        }
        if (p.state() == QProcess::NotRunning) break;
        if (fin.hasExpired()) {
            arrêter(p);
            return std::nullopt;
        }
        p.waitForReadyRead(std::max(1, int(std::min<qint64>(fin.remainingTime(), 200))));
    }
    sortie += p.readAll();
    if (p.exitStatus() != QProcess::NormalExit) return std::nullopt;
    return sortie;
}

} // namespace

Parties analyser(const QByteArray& sortie) {
    // « m328p      = ATmega328P », parfois suivi de l'emplacement dans avrdude.conf.
    static const QRegularExpression ligne(QStringLiteral(R"(^\s*(\S+)\s*=\s*(\S+)(?:\s+\[[^\]]*\])?\s*$)"));
    Parties r;
    const QString texte = QString::fromLatin1(sortie);
    for (const QString& l : texte.split(u'\n')) {
        const auto m = ligne.match(l.trimmed());
        if (!m.hasMatch()) continue;
        const QStringView id = m.capturedView(1);
        const QStringView nom = m.capturedView(2);
        if (!estMotDePartie(id) || !estMotDePartie(nom)) continue;
        // Le premier nom rencontré l'emporte, comme dans la recherche d'avrdude.
        const QString clé = Texte::minuscules(nom.toString());
        if (!r.contains(clé)) r.insert(clé, id.toString());
    }
    return r;
}

Parties lire(int délaiMs) {
    const auto sortie =
        sortieDe(QStringLiteral("avrdude"), {QStringLiteral("-p"), QStringLiteral("?")}, délaiMs);
    return sortie ? analyser(*sortie) : Parties{};
}

const Parties& parties() {
    Cache& c = cache();
    if (!c.lu) {
        c.parties = lire();
        c.lu = true;
    }
    return c.parties;
}

std::optional<QString> partiePour(const QString& nomCircuit) {
    const QString clé = Texte::minuscules(nomCircuit.trimmed());
    if (clé.isEmpty()) return std::nullopt;
    const auto it = parties().constFind(clé);
    if (it == parties().constEnd()) return std::nullopt;
    return *it;
}

void réinitialiser() {
    cache() = Cache{};
}

Composants analyserAideCible(const QByteArray& sortie) {
    // « Known MCU names: » puis des lignes de noms en retrait, jusqu'à la première ligne vide.
    Composants r;
    bool dansLaListe = false;
    for (const QByteArray& ligne : sortie.split('\n')) {
        const QByteArray l = ligne.trimmed();
        if (!dansLaListe) {
            dansLaListe = l == "Known MCU names:";
            continue;
        }
        if (l.isEmpty() || !(ligne.startsWith(' ') || ligne.startsWith('\t'))) break;
        for (const QByteArray& mot : l.split(' '))
            if (estMotDePartie(QString::fromLatin1(mot)))
                r.insert(Texte::minuscules(QString::fromLatin1(mot)));
    }
    return r;
}

Composants lireComposantsCompilés(int délaiMs) {
    const QDeadlineTimer fin(délaiMs);
    const QString avrGcc = QStringLiteral("avr-gcc");
    const auto dossier = sortieDe(avrGcc, {QStringLiteral("-print-file-name=device-specs")}, délaiMs);
    if (!dossier) return {};
    // Sans dossier device-specs, avr-gcc rend le nom demandé tel quel.
    const QDir specs(QString::fromLocal8Bit(dossier->trimmed()));
    if (specs.isAbsolute() && specs.exists()) {
        Composants r;
        for (const QString& f : specs.entryList({QStringLiteral("specs-*")}, QDir::Files))
            r.insert(Texte::minuscules(f.mid(6)));
        return r;
    }
    const auto aide =
        sortieDe(avrGcc, {QStringLiteral("--target-help")}, std::max<qint64>(1, fin.remainingTime()));
    return aide ? analyserAideCible(*aide) : Composants{};
}

const Composants& composantsCompilés() {
    Cache& c = cache();
    if (!c.composantsLus) {
        c.composants = lireComposantsCompilés();
        c.composantsLus = true;
    }
    return c.composants;
}

} // namespace TablesPartiesAvrdude

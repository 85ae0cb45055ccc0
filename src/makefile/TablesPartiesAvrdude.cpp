#include "makefile/TablesPartiesAvrdude.h"

#include "common/Texte.h"
#include "noyau/plateforme/Processus.h"

#include <QDeadlineTimer>
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
};

Cache& cache() {
    static Cache c;
    return c;
}

void arrêter(QProcess& p) {
    p.kill();
    p.waitForFinished(1000);
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
    const QString chemin = Processus::trouverProgramme(QStringLiteral("avrdude"));
    if (chemin.isEmpty()) return {};

    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels); // avrdude écrit sa liste sur stderr
    p.setStandardInputFile(QProcess::nullDevice());
    const QDeadlineTimer fin(délaiMs);
    p.start(chemin, {QStringLiteral("-p"), QStringLiteral("?")});
    if (!p.waitForStarted(std::max(1, int(fin.remainingTime())))) {
        arrêter(p);
        return {};
    }
    // Lecture au fil de l'eau : un programme bavard ne remplit pas la mémoire.
    QByteArray sortie;
    for (;;) {
        sortie += p.readAll();
        if (sortie.size() > TailleMaximale) {
            arrêter(p);
            return {};
        }
        if (p.state() == QProcess::NotRunning) break;
        if (fin.hasExpired()) {
            arrêter(p);
            return {};
        }
        p.waitForReadyRead(std::max(1, int(std::min<qint64>(fin.remainingTime(), 200))));
    }
    sortie += p.readAll();
    if (p.exitStatus() != QProcess::NormalExit) return {};
    // avrdude finit en erreur après avoir donné la liste : son code de sortie ne dit rien.
    return analyser(sortie);
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

} // namespace TablesPartiesAvrdude

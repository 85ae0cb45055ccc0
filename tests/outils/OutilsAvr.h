#pragma once
// Outils des tests des timers : composants du fichier livré, compilation avr-gcc, banc simavr.
#include "assistant/timers/CapacitesComposant.h"
#include "assistant/timers/GenerateurPWM.h"
#include "outils/OutilsTests.h"

#include "common/Nombres.h"

#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <memory>
#include <vector>

namespace OutilsAvr {

inline QString fichierLivré() {
    return OutilsTests::dossierSources() + "/data/Configuration.xml";
}
inline QString modèlesLivrés() {
    return OutilsTests::dossierSources() + "/data/Modèle";
}

inline CapacitésComposant composant(const QString& mcu) {
    CapacitésComposant c;
    if (!CapacitesComposant::lire(fichierLivré(), mcu, c)) throw std::runtime_error("composant absent");
    return c;
}

inline int indexSortie(const CapacitésComposant& c, const QString& début) {
    for (int i = 0; i < int(c.sorties.size()); ++i)
        if (c.sorties[i].libellé.startsWith(début)) return i;
    throw std::runtime_error("sortie absente");
}

// Entrées du générateur pour une sortie du composant, fonction complète (CBInit).
inline EntréesGénérateur entrées(const CapacitésComposant& c, int sortie, double horloge, double f, double rc,
                                 const QString& mode, const QString& modèles = modèlesLivrés()) {
    EntréesGénérateur e;
    e.composant = &c, e.dossierModèles = modèles, e.indexSortie = sortie, e.fréquenceHorloge = horloge;
    e.fréquenceVoulue = f, e.rapportCyclique = rc, e.ModePWM = mode, e.CBInit = true;
    return e;
}

// Diviseur d'un code CS d'après les fiches techniques : Timer2 asynchrone à part, Timer1 des
// ATtiny25/45/85 en puissances de deux sur quatre bits ; 0 pour un code sans diviseur.
inline double diviseurFiche(const TimerComposant& t, uint32_t code) {
    static const double normal[] = {0, 1, 8, 64, 256, 1024, 0, 0};
    static const double async[] = {0, 1, 8, 32, 64, 128, 256, 1024};
    if (Nombres::val(t.prédivisions.value(1)) == 2) return (code & 15) ? double(1 << ((code & 15) - 1)) : 0;
    const bool asynchrone = t.prédivisions.size() > 5 && Nombres::val(t.prédivisions[5]) > 0;
    return (asynchrone ? async : normal)[code & 7];
}

// Timer0 des ATmega16/32 : simavr 1.6 ignore WGM01 et compte jusqu'à 0xFF, le CTC n'y tourne pas.
inline bool ctcNonSimulé(const QString& mcu, const QString& timer) {
    return timer == u"Timer0" && (mcu == u"atmega16" || mcu == u"atmega32");
}

// Compile source pour mcu (-Os -Wall -Werror) ; rend le chemin de l'ELF, vide en cas d'échec.
inline QString compiler(const QTemporaryDir& d, const QString& nom, const QString& mcu, const QString& source,
                        QByteArray* erreurs) {
    const QString c = d.filePath(nom + ".c"), elf = d.filePath(nom + ".elf");
    OutilsTests::ecrireFichier(c, source.toUtf8());
    const int code = OutilsTests::executer(
        "avr-gcc", {"-mmcu=" + mcu, "-Os", "-Wall", "-Werror", "-o", elf, c}, nullptr, erreurs);
    return code == 0 ? elf : QString();
}

// Lance programme avec chaque liste d'arguments, par ensembles ; rend pour chacun s'il a réussi dans le
// délai (ms), sa sortie et ses erreurs.
struct Lancement {
    bool ok;
    QByteArray sortie, erreurs;
};
inline std::vector<Lancement> lancerTous(const QString& programme, const QList<QStringList>& arguments,
                                         qsizetype ensemble, int délai) {
    std::vector<Lancement> r;
    for (qsizetype début = 0; début < arguments.size(); début += ensemble) {
        std::vector<std::unique_ptr<QProcess>> lancés;
        for (qsizetype i = début; i < std::min(arguments.size(), début + ensemble); ++i) {
            lancés.push_back(std::make_unique<QProcess>());
            lancés.back()->start(programme, arguments[i]);
        }
        for (auto& p : lancés) {
            const bool ok =
                p->waitForFinished(délai) && p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0;
            if (!ok) p->kill(), p->waitForFinished(1000);
            r.push_back({ok, p->readAllStandardOutput(), p->readAllStandardError()});
        }
    }
    return r;
}

// Analyse chaque source (-fsyntax-only -Wall -Werror) pour son composant, plusieurs à la fois : tout nom
// inconnu du composant y est une erreur. Rend, par composant, les erreurs d'avr-gcc (vide : accepté).
inline QMap<QString, QString> compilerTous(const QTemporaryDir& d, const QMap<QString, QString>& sources) {
    QList<QStringList> arguments;
    for (auto it = sources.begin(); it != sources.end(); ++it) {
        const QString c = d.filePath(it.key() + ".c");
        OutilsTests::ecrireFichier(c, it.value().toUtf8());
        arguments.append({"-mmcu=" + it.key(), "-fsyntax-only", "-Wall", "-Werror", c});
    }
    const auto r = lancerTous("avr-gcc", arguments, std::max(2, QThread::idealThreadCount() * 2), 120000);
    QMap<QString, QString> erreurs;
    for (qsizetype i = 0; i < arguments.size(); ++i)
        erreurs[sources.keys()[i]] =
            r[i].ok ? QString() : "échec : " + QString::fromUtf8(r[i].sortie + r[i].erreurs);
    return erreurs;
}

// Les macros de <avr/io.h> pour le composant, telles que le préprocesseur d'avr-gcc les écrit.
inline QString macros(const QString& mcu) {
    QTemporaryDir d;
    const QString h = d.filePath("io.c");
    OutilsTests::ecrireFichier(h, "#include <avr/io.h>\n");
    QByteArray sortie;
    OutilsTests::executer("avr-gcc", {"-mmcu=" + mcu, "-E", "-dM", h}, &sortie);
    return QString::fromUtf8(sortie);
}

// Adresse, dans l'espace des données, de chaque registre nommé (d'après le préprocesseur).
inline QMap<QString, int> adresses(const QString& mcu) {
    QMap<QString, int> r;
    static const QRegularExpression re("#define (\\w+) _SFR_(IO|MEM)(8|16)\\s*\\((0[xX][0-9A-Fa-f]+)\\)");
    for (auto it = re.globalMatch(macros(mcu)); it.hasNext();) {
        const auto m = it.next();
        r[m.captured(1)] = m.captured(4).toInt(nullptr, 16) + (m.captured(2) == u"IO" ? 0x20 : 0);
    }
    return r;
}

// Vrai quand le cœur de simavr connaît le composant.
inline bool simavrConnaît(const QString& mcu) {
    return OutilsTests::executer(OutilsTests::dossierConstruction() + "/mesure_simavr", {"-m", mcu}) == 0;
}

// Adresse, dans l'espace des données, d'une variable globale de l'ELF (avr-nm) ; -1 si absente.
inline int adresseSymbole(const QString& elf, const QString& nom) {
    QByteArray sortie;
    OutilsTests::executer("avr-nm", {elf}, &sortie);
    for (const QString& l : QString::fromUtf8(sortie).split(u'\n')) {
        const QStringList champs = l.split(u' ', Qt::SkipEmptyParts);
        if (champs.size() == 3 && champs[2] == nom) return int(champs[0].toUInt(nullptr, 16) & 0xFFFF);
    }
    return -1;
}

// Lance le banc avec chaque liste d'arguments (-m, -f, -b, -r, -c, -p, -t, ELF), deux à la fois ; rend pour
// chacune les lignes « clé=valeur » de sa sortie (vide s'il a échoué ou dépassé une minute).
inline std::vector<QMap<QString, double>> simulerTous(const QList<QStringList>& courses) {
    std::vector<QMap<QString, double>> r;
    for (const Lancement& l :
         lancerTous(OutilsTests::dossierConstruction() + "/mesure_simavr", courses, 2, 60000)) {
        QMap<QString, double>& m = r.emplace_back();
        for (const QString& ligne : QString::fromUtf8(l.sortie).split(u'\n'))
            if (const qsizetype e = ligne.indexOf(u'='); l.ok && e > 0)
                m[ligne.left(e)] = ligne.mid(e + 1).toDouble();
    }
    return r;
}

// Une course seule.
inline QMap<QString, double> mesurer(const QString& mcu, double horloge, const QString& elf,
                                     const QStringList& options) {
    return simulerTous({QStringList{"-m", mcu, "-f", QString::number(qint64(horloge))} << options << elf})[0];
}

} // namespace OutilsAvr

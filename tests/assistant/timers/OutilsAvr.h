#pragma once
// Outils des tests des timers : composants du fichier livré, compilation avr-gcc, banc simavr.
#include "assistant/timers/CapacitesComposant.h"
#include "assistant/timers/GenerateurPWM.h"
#include "outils/OutilsTests.h"

#include <QMap>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace OutilsAvr {

inline QString fichierLivré() {
    return OutilsTests::dossierSources() + QStringLiteral("/data/Configuration.xml");
}
inline QString modèlesLivrés() {
    return OutilsTests::dossierSources() + QStringLiteral("/data/Modèle");
}
inline bool avrGccPrésent() {
    return !QStandardPaths::findExecutable(QStringLiteral("avr-gcc")).isEmpty();
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

// Compile source pour mcu (-Os -Wall -Werror) ; rend le chemin de l'ELF, vide en cas d'échec.
inline QString compiler(const QTemporaryDir& d, const QString& nom, const QString& mcu, const QString& source,
                        QByteArray* erreurs) {
    const QString c = d.filePath(nom + QStringLiteral(".c")), elf = d.filePath(nom + QStringLiteral(".elf"));
    OutilsTests::ecrireFichier(c, source.toUtf8());
    const int code =
        OutilsTests::executer(QStringLiteral("avr-gcc"),
                              {QStringLiteral("-mmcu=") + mcu, QStringLiteral("-Os"), QStringLiteral("-Wall"),
                               QStringLiteral("-Werror"), QStringLiteral("-o"), elf, c},
                              nullptr, erreurs);
    return code == 0 ? elf : QString();
}

// Adresse, dans l'espace des données, de chaque registre nommé (d'après le préprocesseur).
inline QMap<QString, int> adresses(const QString& mcu) {
    QTemporaryDir d;
    const QString h = d.filePath(QStringLiteral("io.c"));
    OutilsTests::ecrireFichier(h, "#include <avr/io.h>\n");
    QByteArray sortie;
    OutilsTests::executer(QStringLiteral("avr-gcc"),
                          {QStringLiteral("-mmcu=") + mcu, QStringLiteral("-E"), QStringLiteral("-dM"), h},
                          &sortie);
    QMap<QString, int> r;
    static const QRegularExpression re(
        QStringLiteral("#define (\\w+) _SFR_(IO|MEM)(8|16)\\s*\\((0x[0-9A-Fa-f]+)\\)"));
    for (auto it = re.globalMatch(QString::fromUtf8(sortie)); it.hasNext();) {
        const auto m = it.next();
        r[m.captured(1)] = m.captured(4).toInt(nullptr, 16) + (m.captured(2) == u"IO" ? 0x20 : 0);
    }
    return r;
}

// Lance le banc ; rend les lignes « clé=valeur » de sa sortie.
inline QMap<QString, double> mesurer(const QString& mcu, double horloge, const QString& elf,
                                     const QStringList& options) {
    QByteArray sortie, erreurs;
    QStringList args{QStringLiteral("-m"), mcu, QStringLiteral("-f"), QString::number(qint64(horloge))};
    args << options << elf;
    OutilsTests::executer(OutilsTests::dossierConstruction() + QStringLiteral("/mesure_simavr"), args,
                          &sortie, &erreurs);
    QMap<QString, double> r;
    for (const QString& l : QString::fromUtf8(sortie).split(u'\n')) {
        const qsizetype e = l.indexOf(u'=');
        if (e > 0) r[l.left(e)] = l.mid(e + 1).toDouble();
    }
    return r;
}

} // namespace OutilsAvr

#pragma once
// Outils des preuves d'interruptions : numéros des vecteurs et adresses des variables d'un
// programme AVR, banc interruptions_simavr, composants que simavr 1.6 fait tourner.
#include "assistant/timers/GenerateurBaseDeTemps.h"
#include "outils/OutilsAvr.h"

#include <gtest/gtest.h>

namespace OutilsInterruptions {

// Composants du fichier livré dont simavr 1.6 a le cœur.
inline QStringList composantsSimulés() {
    static const QStringList simavr = {
        QStringLiteral("at90usb162"), QStringLiteral("atmega128"),   QStringLiteral("atmega1280"),
        QStringLiteral("atmega1281"), QStringLiteral("atmega1284"),  QStringLiteral("atmega1284p"),
        QStringLiteral("atmega16"),   QStringLiteral("atmega164p"),  QStringLiteral("atmega164pa"),
        QStringLiteral("atmega168"),  QStringLiteral("atmega168p"),  QStringLiteral("atmega168pa"),
        QStringLiteral("atmega2560"), QStringLiteral("atmega32"),    QStringLiteral("atmega324a"),
        QStringLiteral("atmega324p"), QStringLiteral("atmega324pa"), QStringLiteral("atmega328"),
        QStringLiteral("atmega328p"), QStringLiteral("atmega32u4"),  QStringLiteral("atmega48"),
        QStringLiteral("atmega48p"),  QStringLiteral("atmega48pa"),  QStringLiteral("atmega644"),
        QStringLiteral("atmega644p"), QStringLiteral("atmega8"),     QStringLiteral("atmega88"),
        QStringLiteral("atmega88p"),  QStringLiteral("atmega88pa"),  QStringLiteral("attiny13"),
        QStringLiteral("attiny13a"),  QStringLiteral("attiny2313"),  QStringLiteral("attiny2313a"),
        QStringLiteral("attiny24"),   QStringLiteral("attiny25"),    QStringLiteral("attiny4313"),
        QStringLiteral("attiny44"),   QStringLiteral("attiny45"),    QStringLiteral("attiny84"),
        QStringLiteral("attiny85")};
    QStringList r;
    for (const QString& c : CapacitesComposant::composants(OutilsAvr::fichierLivré()))
        if (simavr.contains(c)) r << c;
    return r;
}

// Numéro de chaque vecteur nommé pour le composant (d'après le préprocesseur).
inline QMap<QString, int> vecteurs(const QString& mcu) {
    QTemporaryDir d;
    const QString h = d.filePath(QStringLiteral("io.c"));
    OutilsTests::ecrireFichier(h, "#include <avr/io.h>\n");
    QByteArray sortie;
    OutilsTests::executer(QStringLiteral("avr-gcc"),
                          {QStringLiteral("-mmcu=") + mcu, QStringLiteral("-E"), QStringLiteral("-dM"), h},
                          &sortie);
    QMap<QString, int> r;
    static const QRegularExpression re(QStringLiteral("#define (\\w+_vect) _VECTOR\\((\\d+)\\)"));
    for (auto it = re.globalMatch(QString::fromUtf8(sortie)); it.hasNext();) {
        const auto m = it.next();
        r[m.captured(1)] = m.captured(2).toInt();
    }
    return r;
}

// Lance le banc des interruptions ; rend les lignes « clé=valeur » de sa sortie.
inline QMap<QString, double> lancer(const QString& mcu, double horloge, const QString& elf,
                                    const QStringList& options) {
    QByteArray sortie, erreurs;
    QStringList args{QStringLiteral("-m"), mcu, QStringLiteral("-f"), QString::number(qint64(horloge))};
    args << options << elf;
    OutilsTests::executer(OutilsTests::dossierConstruction() + QStringLiteral("/interruptions_simavr"), args,
                          &sortie, &erreurs);
    QMap<QString, double> r;
    for (const QString& l : QString::fromUtf8(sortie).split(u'\n')) {
        const qsizetype e = l.indexOf(u'=');
        if (e > 0) r[l.left(e)] = l.mid(e + 1).toDouble();
    }
    if (r.isEmpty()) r[QStringLiteral("erreur")] = 1, qWarning("%s", erreurs.constData());
    return r;
}

// Options du banc : compter les entrées dans ce vecteur et relire les octets de « lu ».
inline QStringList surveiller(int vecteur, int lu, int octets) {
    QStringList o{QStringLiteral("-v"), QString::number(vecteur)};
    for (int i = 0; i < octets; ++i)
        o << QStringLiteral("-r") << QString::number(lu + i);
    return o;
}

// Options du banc qui relisent ces registres (deux octets chacun) ; les noms vides sont passés.
inline QStringList relire(const QMap<QString, int>& adresses, const QStringList& registres) {
    QStringList options;
    for (const QString& r : registres)
        if (!r.isEmpty())
            options << QStringLiteral("-r") << QString::number(adresses.value(r)) << QStringLiteral("-r")
                    << QString::number(adresses.value(r) + 1);
    return options;
}

// Valeur 8 ou 16 bits d'un registre relu (-r adresse et adresse + 1 passés au banc).
inline int registre(const QMap<QString, double>& m, int adresse, bool seizeBits) {
    auto lire = [&](int a) { return int(m.value(QStringLiteral("registre_0x%1").arg(a, 0, 16))); };
    return lire(adresse) + (seizeBits ? 256 * lire(adresse + 1) : 0);
}

// Programme d'essai : le code généré, puis main() qui appelle init, autorise les interruptions
// et dort (simavr saute alors au prochain événement) en recopiant le compteur lu sûrement.
inline QString programme(const QString& code, const QString& init, const QString& lecture,
                         const QString& type = QStringLiteral("uint32_t")) {
    return code + QStringLiteral("\n#include <avr/sleep.h>\nvolatile %3 lu;\nint main(void) {\n    %1();\n"
                                 "    sei();\n    set_sleep_mode(SLEEP_MODE_IDLE);\n    for (;;) {\n"
                                 "        sleep_mode();\n        lu = %2();\n    }\n}\n")
                      .arg(init, lecture, type);
}

// Compile le programme d'essai ; rend l'ELF et l'adresse de « lu » (échec signalé, ELF vide sinon).
inline std::pair<QString, int> compilerEssai(const QTemporaryDir& d, int& n, const QString& mcu,
                                             const QString& source) {
    QByteArray erreurs;
    const QString elf = OutilsAvr::compiler(d, QStringLiteral("e%1").arg(n++), mcu, source, &erreurs);
    const int lu = elf.isEmpty() ? -1 : OutilsAvr::adresseSymbole(elf, QStringLiteral("lu"));
    if (lu < 0) ADD_FAILURE() << erreurs.toStdString() << source.toStdString();
    return {lu < 0 ? QString() : elf, lu};
}

// Relit dans simavr ce que le code a écrit (une milliseconde) : registres de configuration, sommet
// (vérifié s'il vaut au moins 0), interruption autorisée ; rend les relevés, ceux d'autres compris.
inline QMap<QString, double> vérifierConfiguration(const QString& mcu, const QString& elf,
                                                   const QMap<QString, int>& adr, const TimerComposant& t,
                                                   const uint32_t config[2], int64_t sommet,
                                                   const QStringList& autres = {}) {
    const QString s = GenerateurBaseDeTemps::registresSommet(t)[0];
    const auto m =
        lancer(mcu, 16e6, elf,
               relire(adr, QStringList{t.registre(0), t.registre(1), s, t.registreInterruption} + autres)
                   << QStringLiteral("-t") << QStringLiteral("0.001"));
    for (int i = 0; i < t.nombreRegistresConfig; ++i)
        EXPECT_EQ(registre(m, adr.value(t.registre(i)), false), int(config[i])) << i;
    if (sommet >= 0) {
        EXPECT_EQ(registre(m, adr.value(s), Nombres::val(t.max) > 255), sommet);
    }
    EXPECT_NE(registre(m, adr.value(t.registreInterruption), false), 0);
    return m;
}

} // namespace OutilsInterruptions

#pragma once
// Outils des preuves d'interruptions : vecteurs et variables d'un programme AVR, banc interruptions_simavr.
#include "assistant/timers/GenerateurBaseDeTemps.h"
#include "outils/OutilsAvr.h"

#include <gtest/gtest.h>

namespace OutilsInterruptions {

// Composants du fichier livré dont simavr a le cœur.
inline QStringList composantsSimulés() {
    QStringList r;
    for (const QString& c : CapacitesComposant::composants(OutilsAvr::fichierLivré()))
        if (OutilsAvr::simavrConnaît(c)) r << c;
    return r;
}

// Numéro de chaque vecteur nommé pour le composant (d'après le préprocesseur).
inline QMap<QString, int> vecteurs(const QString& mcu) {
    QMap<QString, int> r;
    static const QRegularExpression re("#define (\\w+_vect) _VECTOR\\((\\d+)\\)");
    for (const QRegularExpressionMatch& m : re.globalMatch(OutilsAvr::macros(mcu)))
        r[m.captured(1)] = m.captured(2).toInt();
    return r;
}

// Lance le banc des interruptions ; rend les lignes « clé=valeur » de sa sortie.
inline QMap<QString, double> lancer(const QString& mcu, double horloge, const QString& elf,
                                    const QStringList& options) {
    QByteArray sortie, erreurs;
    OutilsTests::executer(OutilsTests::dossierConstruction() + "/interruptions_simavr",
                          QStringList{"-m", mcu, "-f", QString::number(qint64(horloge))} << options << elf,
                          &sortie, &erreurs);
    QMap<QString, double> r;
    for (const QString& l : QString::fromUtf8(sortie).split(u'\n'))
        if (const qsizetype e = l.indexOf(u'='); e > 0) r[l.left(e)] = l.mid(e + 1).toDouble();
    if (r.isEmpty()) r[QStringLiteral("erreur")] = 1, qWarning("%s", erreurs.constData());
    return r;
}

// Options du banc : compter les entrées dans ce vecteur et relire les octets de « lu ».
inline QStringList surveiller(int vecteur, int lu, int octets) {
    QStringList o{"-v", QString::number(vecteur)};
    for (int i = 0; i < octets; ++i)
        o << "-r" << QString::number(lu + i);
    return o;
}

// Options du banc qui relisent ces registres (deux octets chacun) ; les noms vides sont passés.
inline QStringList relire(const QMap<QString, int>& adresses, const QStringList& registres) {
    QStringList options;
    for (const QString& r : registres)
        if (!r.isEmpty())
            options << "-r" << QString::number(adresses.value(r)) << "-r"
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
inline QString programme(const QString& code, const QString& init, const QString& lecture) {
    return QStringLiteral("%1\n#include <avr/sleep.h>\nvolatile uint32_t lu;\nint main(void) {\n    %2();\n"
                          "    sei();\n    set_sleep_mode(SLEEP_MODE_IDLE);\n    for (;;) {\n"
                          "        sleep_mode();\n        lu = %3();\n    }\n}\n")
        .arg(code, init, lecture);
}

// Compile le programme d'essai ; rend l'ELF et l'adresse de « lu » (échec signalé, ELF vide sinon).
inline std::pair<QString, int> compilerEssai(const QTemporaryDir& d, int& n, const QString& mcu,
                                             const QString& source) {
    QByteArray erreurs;
    const QString elf = OutilsAvr::compiler(d, QStringLiteral("e%1").arg(n++), mcu, source, &erreurs);
    const int lu = elf.isEmpty() ? -1 : OutilsAvr::adresseSymbole(elf, "lu");
    if (lu < 0) ADD_FAILURE() << erreurs.toStdString() << source.toStdString();
    return {lu < 0 ? QString() : elf, lu};
}

// Fait tourner l'ELF dans simavr (options : une milliseconde) et relit ce que le code a écrit : registres
// de configuration, sommet (vérifié s'il vaut au moins 0), interruption autorisée ; rend les relevés.
inline QMap<QString, double> vérifierConfiguration(const QString& mcu, const QString& elf,
                                                   const QMap<QString, int>& adr, const TimerComposant& t,
                                                   const uint32_t config[2], int64_t sommet,
                                                   const QStringList& options = {"-t", "0.001"}) {
    const QString s = GenerateurBaseDeTemps::registresSommet(t)[0];
    const auto m = lancer(mcu, 16e6, elf,
                          relire(adr, {t.registre(0), t.registre(1), s, t.registreInterruption}) << options);
    for (int i = 0; i < t.nombreRegistresConfig; ++i)
        EXPECT_EQ(registre(m, adr.value(t.registre(i)), false), int(config[i])) << i;
    if (sommet >= 0) {
        EXPECT_EQ(registre(m, adr.value(s), Nombres::val(t.max) > 255), sommet);
    }
    EXPECT_NE(registre(m, adr.value(t.registreInterruption), false), 0);
    return m;
}

} // namespace OutilsInterruptions

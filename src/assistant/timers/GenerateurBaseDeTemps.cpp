#include "assistant/timers/GenerateurBaseDeTemps.h"

#include "assistant/timers/Calculatrice.h"
#include "common/Nombres.h"

#include <QRegularExpression>

namespace GenerateurBaseDeTemps {

QString numéro(const TimerComposant& t) {
    static const QRegularExpression chiffres(QStringLiteral("(\\d+)$"));
    return chiffres.match(t.nom).captured(1);
}

QStringList registresSommet(const TimerComposant& t) {
    QStringList r{t.topCTC.isEmpty() ? t.registre(3) : t.topCTC};
    if (!t.registre(3).isEmpty() && t.registre(3) != r[0]) r << t.registre(3);
    return r;
}

QString code(const CapacitésComposant& c, const BaseDeTemps::Réglage& r) {
    if (r.indexTimer < 0 || r.indexTimer >= int(c.timers.size())) return {};
    const TimerComposant& t = c.timers[r.indexTimer];
    const QString n = numéro(t), tics = QStringLiteral("ticsTimer") + n;
    const QStringList sommets = registresSommet(t);
    const int sélection = t.registreSélection;
    QStringList l;
    l << QStringLiteral("#include <avr/interrupt.h>") << QStringLiteral("#include <avr/io.h>")
      << QStringLiteral("#include <stdint.h>") << QStringLiteral("#include <util/atomic.h>") << QString();
    l << QStringLiteral("// Base de temps sur le %1 : une interruption toutes les %2 (%3).")
             .arg(t.nom, Calculatrice::texteDurée(r.périodeVoulue),
                  Calculatrice::texteFréquence(1 / r.périodeVoulue));
    l << QStringLiteral("// ") + BaseDeTemps::ligneObtenu(c, r);
    const QString mode = r.débordement ? QStringLiteral("mode normal") : QStringLiteral("CTC");
    l << QStringLiteral("// Horloge du µC : %1 ; %2, prédivision %3, %4 comptes par tic.")
             .arg(Nombres::texteDecimalVirgule(r.fréquenceHorloge) + QStringLiteral(" Hz"), mode,
                  Nombres::texteDecimalVirgule(r.prédivision))
             .arg(r.comptes);
    l << QString();
    l << QStringLiteral("// Tics depuis l'initialisation. Un µC 8 bits lit ces 32 bits un octet à la fois :")
      << QStringLiteral("// lisez-les avec LireTics%1(), jamais directement.").arg(t.nom);
    l << QStringLiteral("static volatile uint32_t %1 = 0;").arg(tics) << QString();

    l << QStringLiteral("void InitBaseDeTemps%1(void)").arg(t.nom) << QStringLiteral("{");
    const QString configSélection = t.registre(sélection);
    l << QStringLiteral("\t%1 = 0x00; // timer arrêté pendant le réglage").arg(configSélection);
    if (t.nombreRegistresConfig == 2)
        l << QStringLiteral("\t%1 = %2; // %3, aucune broche")
                 .arg(t.registre(1 - sélection), Nombres::hexaC(r.config[1 - sélection], 2), mode);
    if (r.débordement) {
        l << QStringLiteral("\tTCNT%1 = %2; // %3 comptes jusqu'au débordement")
                 .arg(n)
                 .arg(r.rechargement())
                 .arg(r.comptes);
        if (r.compensé)
            l << QStringLiteral("\trecharge%1 = %2;").arg(t.nom).arg(r.rechargement())
              << QStringLiteral("\treste%1 = 0;").arg(t.nom);
        l << QStringLiteral("\t%1 |= (1 << %2); // interruption à chaque débordement")
                 .arg(t.registreInterruption, t.bitDébordement);
    } else {
        l << QStringLiteral("\tTCNT%1 = 0;").arg(n);
        for (const QString& s : sommets)
            l << QStringLiteral("\t%1 = %2;").arg(s).arg(r.sommet());
        if (r.compensé) l << QStringLiteral("\treste%1 = 0;").arg(t.nom);
        l << QStringLiteral("\t%1 |= (1 << %2); // interruption à chaque sommet")
                 .arg(t.registreInterruption, t.bitComparaison);
    }
    l << QStringLiteral("\t%1 = %2; // %3, prédivision %4 : le timer démarre")
             .arg(configSélection, Nombres::hexaC(r.config[sélection], 2), mode,
                  Nombres::texteDecimalVirgule(r.prédivision));
    l << QStringLiteral(
        "\t// Pas de sei() ici : appelez-le dans main(), une fois tous les périphériques réglés.");
    l << QStringLiteral("}") << QString();

    const QString typeCompteur = r.capacité > 256 ? QStringLiteral("uint16_t") : QStringLiteral("uint8_t");
    if (r.compensé) {
        l.insert(l.indexOf(QStringLiteral("void InitBaseDeTemps%1(void)").arg(t.nom)),
                 QStringLiteral(
                     "// Compensation : %1 tic(s) sur %2 durent un compte de plus, la moyenne est juste.")
                         .arg(r.numérateur)
                         .arg(r.dénominateur) +
                     QStringLiteral("\r\nstatic uint16_t reste%1 = 0;\r\n").arg(t.nom) +
                     (r.débordement ? QStringLiteral("static %1 recharge%2 = %3; // du tic qui commence\r\n")
                                          .arg(typeCompteur, t.nom)
                                          .arg(r.rechargement())
                                    : QString()));
    }
    l << QStringLiteral("ISR(%1)").arg(r.débordement ? t.vecteurDébordement : t.vecteurComparaison)
      << QStringLiteral("{");
    if (r.débordement) {
        // Ajouter plutôt qu'écrire : une routine retardée garde les comptes déjà passés.
        l << QStringLiteral("\t// D'abord : la prédivision (au moins %1) laisse le temps de recharger le "
                            "compteur avant son premier compte.")
                 .arg(BaseDeTemps::PrédivisionMinDébordement);
        l << (r.compensé ? QStringLiteral("\tTCNT%1 += recharge%2;").arg(n, t.nom)
                         : QStringLiteral("\tTCNT%1 += %2;").arg(n).arg(r.rechargement()));
    }
    l << QStringLiteral("\t%1++;").arg(tics);
    if (r.compensé && r.débordement) {
        // Le tic suivant : long quand le reste déborde.
        l << QStringLiteral("\treste%1 += %2;").arg(t.nom).arg(r.numérateur);
        l << QStringLiteral("\tif (reste%1 >= %2) {").arg(t.nom).arg(r.dénominateur);
        l << QStringLiteral("\t\treste%1 -= %2;").arg(t.nom).arg(r.dénominateur);
        l << QStringLiteral("\t\trecharge%1 = %2; // tic long").arg(t.nom).arg(r.rechargement(true));
        l << QStringLiteral("\t} else {");
        l << QStringLiteral("\t\trecharge%1 = %2;").arg(t.nom).arg(r.rechargement());
        l << QStringLiteral("\t}");
    } else if (r.compensé) {
        // Le compteur vient de repartir de 0 : le sommet écrit maintenant vaut pour ce tic.
        l << QStringLiteral("\treste%1 += %2;").arg(t.nom).arg(r.numérateur);
        l << QStringLiteral("\tif (reste%1 >= %2) {").arg(t.nom).arg(r.dénominateur);
        l << QStringLiteral("\t\treste%1 -= %2;").arg(t.nom).arg(r.dénominateur);
        for (const QString& s : sommets)
            l << QStringLiteral("\t\t%1 = %2; // tic long").arg(s).arg(r.sommet() + 1);
        l << QStringLiteral("\t} else {");
        for (const QString& s : sommets)
            l << QStringLiteral("\t\t%1 = %2;").arg(s).arg(r.sommet());
        l << QStringLiteral("\t}");
    }
    l << QStringLiteral("}") << QString();

    l << QStringLiteral("uint32_t LireTics%1(void)").arg(t.nom) << QStringLiteral("{");
    l << QStringLiteral("\tuint32_t n;");
    l << QStringLiteral("\tATOMIC_BLOCK(ATOMIC_RESTORESTATE)") << QStringLiteral("\t{");
    l << QStringLiteral("\t\tn = %1;").arg(tics) << QStringLiteral("\t}");
    l << QStringLiteral("\treturn n;") << QStringLiteral("}");
    return l.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

} // namespace GenerateurBaseDeTemps

QString GénérerLeCodeBaseDeTemps(const CapacitésComposant& c, const BaseDeTemps::Résultat& r,
                                 DocumentRiche& doc) {
    doc.vider();
    if (!r.ok()) return r.erreur;
    const QString texte = GenerateurBaseDeTemps::code(c, r.réglage);
    if (texte.isEmpty()) return QStringLiteral("Choisissez d'abord un timer.");
    doc.définirTexte(texte);
    doc.sélectionner(0, doc.longueur());
    FormatCaractere f;
    f.police = QStringLiteral("Courier New");
    f.taille = 10;
    doc.définirFormat(f);
    doc.sélectionner(0, 0);
    return {};
}

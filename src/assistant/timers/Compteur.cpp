#include "assistant/timers/Compteur.h"

#include "assistant/timers/GenerateurBaseDeTemps.h"
#include "common/Nombres.h"

#include <QRegularExpression>

namespace Compteur {

namespace {

// Port et bit de la broche écrite dans le libellé : « T0 (PD4) ».
bool broche(const QString& libellé, QString& port, int& bit) {
    static const QRegularExpression re(QStringLiteral("\\(P([A-Z])([0-7])\\)"));
    const auto m = re.match(libellé);
    if (!m.hasMatch()) return false;
    port = m.captured(1);
    bit = m.captured(2).toInt();
    return true;
}

} // namespace

int timerDeLEntrée(const CapacitésComposant& c, int indexEntrée) {
    if (indexEntrée < 0 || indexEntrée >= int(c.entrées.size())) return -1;
    const EntréeHorlogeComposant& e = c.entrées[indexEntrée];
    bool ok = false;
    const int numéro = e.timer.toInt(&ok);
    if (e.interne() || !ok) return -1;
    const QString nom = QStringLiteral("Timer%1").arg(numéro);
    for (int i = 0; i < int(c.timers.size()); ++i)
        if (c.timers[i].nom == nom) return i;
    return -1;
}

std::vector<int> entréesUtilisables(const CapacitésComposant& c) {
    std::vector<int> v;
    for (int i = 0; i < int(c.entrées.size()); ++i) {
        const int t = timerDeLEntrée(c, i);
        QString port;
        int bit = 0;
        if (t >= 0 && c.entrées[i].codeHorloge >= 1 && c.timers[t].débordementConnu() &&
            broche(c.entrées[i].libellé, port, bit))
            v.push_back(i);
    }
    return v;
}

QString pourquoiAucuneEntrée(const CapacitésComposant& c) {
    if (!entréesUtilisables(c).empty()) return {};
    return QStringLiteral("Le %1 n'a, d'après le fichier des possibilités, aucune broche d'horloge externe "
                          "(Tn) reliée à un timer dont les interruptions sont connues : rien à compter.")
        .arg(c.nom);
}

Résultat calculer(const CapacitésComposant& c, int indexEntrée, bool montant, int64_t n, bool pullUp) {
    Résultat r;
    Réglage& g = r.réglage;
    const int t = timerDeLEntrée(c, indexEntrée);
    if (t < 0 || !c.timers[t].débordementConnu()) {
        r.erreur = QStringLiteral("Choisissez d'abord une entrée à compter.");
        return r;
    }
    const TimerComposant& tm = c.timers[t];
    const EntréeHorlogeComposant& e = c.entrées[indexEntrée];
    g.capacité = int64_t(Nombres::val(tm.max)) + 1;
    if (n > 0 && !tm.interruptionsConnues()) {
        r.erreur = QStringLiteral("Le %1 n'a pas de mode CTC : il sait compter, pas interrompre tous les N "
                                  "événements. Choisissez « Compter seulement ».")
                       .arg(tm.nom);
        return r;
    }
    if (n < 0 || n > g.capacité) {
        r.erreur = QStringLiteral("Le %1 compte jusqu'à %2 : une interruption tous les %3 événements lui est "
                                  "impossible (de 1 à %2).")
                       .arg(tm.nom)
                       .arg(g.capacité)
                       .arg(n);
        return r;
    }
    if (!broche(e.libellé, g.port, g.bit)) {
        r.erreur = QStringLiteral("Le libellé « %1 » ne dit pas la broche de l'entrée.").arg(e.libellé);
        return r;
    }
    g.indexEntrée = indexEntrée;
    g.indexTimer = t;
    g.montant = montant;
    g.n = n;
    g.pullUp = pullUp;
    // Fiches techniques : 111 front montant, 110 front descendant.
    g.codeSélection = montant ? e.codeHorloge : e.codeHorloge - 1;
    if (n > 0) {
        g.config[0] = tm.modeCTC.size() > 0 ? tm.modeCTC[0] : 0;
        g.config[1] = tm.modeCTC.size() > 1 ? tm.modeCTC[1] : 0;
    }
    (tm.registreSélection == 0 ? g.config[0] : g.config[1]) |= uint32_t(g.codeSélection);
    return r;
}

QString ligneObtenu(const CapacitésComposant& c, const Réglage& r) {
    const QString entrée = c.entrées[r.indexEntrée].libellé, timer = c.timers[r.indexTimer].nom;
    const QString fronts =
        r.montant ? QStringLiteral("fronts montants") : QStringLiteral("fronts descendants");
    if (r.n == 0)
        return QStringLiteral(
                   "Obtenu : %1, %2 comptés sur 32 bits – %3, mode normal, débordement tous les %4")
            .arg(entrée, fronts, timer)
            .arg(r.capacité);
    return QStringLiteral("Obtenu : %1, %2, interruption tous les %3 événements – %4, CTC, sommet %5")
        .arg(entrée, fronts)
        .arg(r.n)
        .arg(timer)
        .arg(r.n - 1);
}

QString code(const CapacitésComposant& c, const Réglage& r) {
    if (r.indexTimer < 0 || r.indexEntrée < 0) return {};
    const TimerComposant& t = c.timers[r.indexTimer];
    const QString num = GenerateurBaseDeTemps::numéro(t), tcnt = QStringLiteral("TCNT") + num;
    const QString paquets = QStringLiteral("paquetsTimer") + num, entrée = c.entrées[r.indexEntrée].libellé;
    const bool interruption = r.n > 0;
    const int64_t taille = interruption ? r.n : r.capacité; // événements par paquet
    const int sélection = t.registreSélection;
    QStringList l;
    l << QStringLiteral("#include <avr/interrupt.h>") << QStringLiteral("#include <avr/io.h>")
      << QStringLiteral("#include <stdint.h>") << QStringLiteral("#include <util/atomic.h>") << QString();
    l << QStringLiteral("// Compteur d'événements sur %1 : %2")
                 .arg(entrée, r.montant ? u"fronts montants" : u"fronts descendants") +
             (interruption ? QStringLiteral(", une interruption tous les %1.").arg(r.n)
                           : QStringLiteral("."));
    l << QStringLiteral("// ") + ligneObtenu(c, r) << QString();
    l << QStringLiteral("// Paquets de %1 événements déjà comptés (la routine les ajoute).").arg(taille);
    l << QStringLiteral("static volatile uint32_t %1 = 0;").arg(paquets) << QString();

    l << QStringLiteral("void InitCompteur%1(void)").arg(t.nom) << QStringLiteral("{");
    l << QStringLiteral("\t%1 = 0x00; // compteur arrêté pendant le réglage").arg(t.registre(sélection));
    l << QStringLiteral("\tDDR%1 &= ~(1 << %2); // %3 en entrée").arg(r.port).arg(r.bit).arg(entrée);
    l << (r.pullUp ? QStringLiteral("\tPORT%1 |= (1 << %2); // résistance de tirage").arg(r.port).arg(r.bit)
                   : QStringLiteral("\tPORT%1 &= ~(1 << %2); // sans résistance de tirage")
                         .arg(r.port)
                         .arg(r.bit));
    if (t.nombreRegistresConfig == 2)
        l << QStringLiteral("\t%1 = %2; // %3, aucune broche de sortie")
                 .arg(t.registre(1 - sélection), Nombres::hexaC(r.config[1 - sélection], 2),
                      interruption ? QStringLiteral("CTC") : QStringLiteral("mode normal"));
    if (interruption) {
        // Le drapeau de comparaison se lève quand le compteur quitte son sommet N − 1 pour 0 :
        // au N-ième front, puis tous les N.
        const QStringList sommets = GenerateurBaseDeTemps::registresSommet(t);
        for (const QString& s : sommets)
            l << QStringLiteral("\t%1 = %2;").arg(s).arg(r.n - 1);
        l << QStringLiteral("\t%1 |= (1 << %2); // interruption tous les %3 événements")
                 .arg(t.registreInterruption, t.bitComparaison)
                 .arg(r.n);
    } else {
        l << QStringLiteral("\t%1 |= (1 << %2); // débordement : un paquet de plus")
                 .arg(t.registreInterruption, t.bitDébordement);
    }
    l << QStringLiteral("\t%1 = 0;").arg(tcnt) << QStringLiteral("\t%1 = 0;").arg(paquets);
    l << QStringLiteral("\t%1 = %2; // horloge sur %3, %4 : le compteur démarre")
             .arg(t.registre(sélection), Nombres::hexaC(r.config[sélection], 2), entrée,
                  r.montant ? QStringLiteral("front montant") : QStringLiteral("front descendant"));
    l << QStringLiteral(
        "\t// Pas de sei() ici : appelez-le dans main(), une fois tous les périphériques réglés.");
    l << QStringLiteral("}") << QString();

    l << QStringLiteral("ISR(%1)").arg(interruption ? t.vecteurComparaison : t.vecteurDébordement)
      << QStringLiteral("{") << QStringLiteral("\t%1++;").arg(paquets) << QStringLiteral("}") << QString();

    l << QStringLiteral(
             "// Événements comptés depuis InitCompteur%1(). À appeler interruptions permises : si le")
             .arg(t.nom)
      << QStringLiteral(
             "// compteur passe un paquet pendant la lecture, la routine s'exécute et la lecture reprend.");
    l << QStringLiteral("uint32_t LireCompte%1(void)").arg(t.nom) << QStringLiteral("{");
    l << QStringLiteral("\tuint32_t avant, apres;") << QStringLiteral("\tuint16_t n;")
      << QStringLiteral("\tdo {");
    l << QStringLiteral("\t\tATOMIC_BLOCK(ATOMIC_RESTORESTATE) { avant = %1; }").arg(paquets);
    l << QStringLiteral("\t\tn = %1;").arg(tcnt);
    l << QStringLiteral("\t\tATOMIC_BLOCK(ATOMIC_RESTORESTATE) { apres = %1; }").arg(paquets);
    l << QStringLiteral("\t} while (avant != apres);");
    l << QStringLiteral("\treturn avant * %1UL + n;").arg(taille);
    l << QStringLiteral("}");
    return l.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

} // namespace Compteur

#include "assistant/timers/GenerateurPWM.h"

#include "assistant/timers/Calculatrice.h"
#include "common/Nombres.h"
#include "common/Texte.h"

#include <QDir>
#include <QRegularExpression>

namespace GenerateurPWM {

namespace {

const QString CRLF = QStringLiteral("\r\n");
const QString Police = QStringLiteral("Times New Roman");
const CouleurRVB Turquoise = CouleurRVB::depuisBVR(0xC0C000);
const CouleurRVB Sarcelle = CouleurRVB::depuisBVR(0x808000);
const CouleurRVB RougeSombre = CouleurRVB::depuisBVR(128);

// Timer de la sortie et nom de sa section ; message en cas d'échec.
QString choisirTimer(const CapacitésComposant& c, int indexSortie, int& t, QString& section) {
    if (indexSortie < 0 || indexSortie >= int(c.sorties.size()))
        return QStringLiteral("Choisissez d'abord une sortie.");
    const SortieComposant& s = c.sorties[indexSortie];
    if (s.indexTimer >= 0) {
        t = s.indexTimer;
        section = QString();
    } else if (s.timer.size() < 4) {
        // Forme ancienne du fichier : la sortie k pilote le timer k − 1.
        t = indexSortie - 1;
        section = s.timer;
    } else {
        t = int(Nombres::val(c.NuméroTimerParDéfaut));
        section = c.TimerParDéfaut;
    }
    if (t < 0 || t >= int(c.timers.size()))
        return QStringLiteral("La sortie « %1 » ne désigne aucun timer du fichier des possibilités.")
            .arg(s.libellé);
    if (!c.timers[t].section.isEmpty()) section = c.timers[t].section;
    return {};
}

// Horloge du timer pour l'entrée choisie ; message en cas d'échec.
QString choisirHorloge(const EntréesGénérateur& e, int t, CalculTimer::Horloge& h) {
    const CapacitésComposant& c = *e.composant;
    h.fréquence = e.fréquenceHorloge;
    if (!(e.fréquenceHorloge > 0))
        return QStringLiteral("La fréquence de l'horloge doit être plus grande que 0.");
    if (e.indexEntrée < 0 || e.indexEntrée >= int(c.entrées.size())) return {};
    const EntréeHorlogeComposant& en = c.entrées[e.indexEntrée];
    if (en.interne()) return {};
    if (!entréeCompatible(en.timer, c.sorties[e.indexSortie].timer))
        return QStringLiteral("L'entrée et la sortie sont incompatible mon chou.");
    if (en.codeHorloge < 0)
        return QStringLiteral(
                   "L'entrée « %1 » ne peut pas cadencer le timer %2 : le fichier des possibilités "
                   "ne donne pas son code de sélection.")
            .arg(en.libellé, c.timers[t].nom);
    h.codeExterne = en.codeHorloge;
    return {};
}

} // namespace

bool entréeCompatible(const QString& entrée, const QString& sortie) {
    if (sortie == entrée || sortie.contains(QStringLiteral("11"))) return true;
    for (qsizetype i = 0; i + 2 <= entrée.size(); i += 2)
        if (sortie.contains(entrée.mid(i, 2))) return true;
    return false;
}

RésultatGénération calculer(const EntréesGénérateur& e) {
    RésultatGénération r;
    if (!e.composant) {
        r.erreur = QStringLiteral("Aucun composant n'est chargé.");
        return r;
    }
    const auto mode = CalculTimer::modeDepuisTexte(e.ModePWM);
    if (!mode) {
        r.erreur = QStringLiteral("Choisissez d'abord un mode.");
        return r;
    }
    r.mode = *mode;
    r.erreur = choisirTimer(*e.composant, e.indexSortie, r.indexTimer, r.section);
    if (!r.ok()) return r;
    CalculTimer::Horloge h;
    r.erreur = choisirHorloge(e, r.indexTimer, h);
    if (!r.ok()) return r;
    const auto calcul = CalculTimer::calculer(e.composant->timers[r.indexTimer], r.mode, h, e.fréquenceVoulue,
                                              e.rapportCyclique);
    r.erreur = calcul.erreur;
    r.rapportInexprimable = calcul.rapportInexprimable;
    r.réglage = calcul.réglage;
    if (r.ok() && r.réglage.sommetEmprunté) {
        // La sortie du même timer dont la comparaison devient le sommet.
        const QString& timer = e.composant->timers[r.indexTimer].nom;
        QString sortie = r.réglage.registreSommet;
        for (const SortieComposant& s : e.composant->sorties) {
            const int k = s.indexTimer;
            if (k >= 0 && k < int(e.composant->timers.size()) && e.composant->timers[k].nom == timer &&
                e.composant->timers[k].registre(3) == r.réglage.registreSommet)
                sortie = s.libellé;
        }
        r.avertissementSommet =
            QStringLiteral("%1 sert de sommet : %2 n'est plus une sortie MLI indépendante")
                .arg(r.réglage.registreSommet, sortie);
    }
    return r;
}

QString ligneObtenu(const EntréesGénérateur& e) {
    const RésultatGénération r = calculer(e);
    if (!r.ok()) return {};
    const QString ligne = Calculatrice::ligneObtenu(r.réglage, r.mode, e.composant->timers[r.indexTimer].nom);
    return r.avertissementSommet.isEmpty() ? ligne : ligne + QStringLiteral(". ") + r.avertissementSommet;
}

CalculTimer::Limites limites(const EntréesGénérateur& e) {
    CalculTimer::Limites l;
    RésultatGénération r;
    const auto mode = CalculTimer::modeDepuisTexte(e.ModePWM);
    if (!e.composant || !mode) {
        l.erreur = QStringLiteral("Choisissez d'abord un mode.");
        return l;
    }
    l.erreur = choisirTimer(*e.composant, e.indexSortie, r.indexTimer, r.section);
    CalculTimer::Horloge h;
    if (l.erreur.isEmpty()) l.erreur = choisirHorloge(e, r.indexTimer, h);
    if (!l.erreur.isEmpty()) return l;
    return CalculTimer::limites(e.composant->timers[r.indexTimer], *mode, h);
}

std::vector<ÉcritureRegistre> écritures(const TimerComposant& t, const CalculTimer::Réglage& g) {
    std::vector<ÉcritureRegistre> v{{t.registre(0), g.configA, g.garder[0]}};
    if (t.nombreRegistresConfig == 2) v.push_back({t.registre(1), g.configB, g.garder[1]});
    if (!g.registreSommet.isEmpty()) v.push_back({g.registreSommet, uint32_t(g.sommet), 0});
    if (g.registreComparaison != g.registreSommet)
        v.push_back({g.registreComparaison, uint32_t(g.comparaison), 0});
    return v;
}

QString conflit(const std::vector<ÉcritureRegistre>& premier, const std::vector<ÉcritureRegistre>& second) {
    for (const ÉcritureRegistre& a : premier)
        for (const ÉcritureRegistre& b : second) {
            // Les bits que les deux écrivent doivent valoir pareil.
            const uint32_t communs = ~(a.garder | b.garder);
            if (a.registre == b.registre && (a.valeur & communs) != (b.valeur & communs))
                return QStringLiteral("%1 : %2 contre %3").arg(a.registre, Nombres::hexaC(a.valeur), Nombres::hexaC(b.valeur));
        }
    return {};
}

QString EnBinaire(uint32_t valeur, int bits) {
    QString s;
    for (int k = 0; k < bits; ++k) {
        if (k % 4 == 0) s.prepend(u' ');
        s.prepend(QChar(u'0' + (valeur % 2)));
        valeur /= 2;
    }
    return s;
}

qsizetype InsérerAprèsClé(DocumentRiche& doc, const QString& clé, const QString& valeur, bool remplacerClé,
                          qsizetype début, bool gras, bool italique, CouleurRVB couleur,
                          const QString& police, double taille) {
    const qsizetype p = doc.trouver(clé, début, DocumentRiche::MotEntier | DocumentRiche::RespecterCasse);
    if (p < 0) return -1;
    if (remplacerClé)
        doc.remplacerSélection(QString());
    else
        doc.définirDébutSélection(p + clé.size());
    doc.définirGras(gras);
    doc.définirCouleur(couleur);
    doc.définirItalique(italique);
    doc.définirTaille(taille);
    doc.définirPolice(police);
    doc.remplacerSélection(valeur + u' ');
    return p;
}

void AjouterFinDeLigne(DocumentRiche& doc, const QString& sautDeLigne, const QString& texte, bool gras,
                       bool italique, CouleurRVB couleur, const QString& police, double taille) {
    const QString finDeLigne = QStringLiteral("\r\n");
    doc.avancerJusquÀ(finDeLigne);
    doc.étendreSur(finDeLigne);
    const QString saut = doc.texteSélection().isEmpty() ? QString() : sautDeLigne;
    FormatCaractere f;
    f.gras = gras;
    f.italique = italique;
    f.couleur = couleur;
    f.police = police;
    f.taille = taille;
    doc.définirFormat(f);
    doc.remplacerSélection(texte + saut);
}

} // namespace GenerateurPWM

RésultatGénération GénérerLeCodePWM(const EntréesGénérateur& e, DocumentRiche& RTBInvisible) {
    using namespace GenerateurPWM;
    RTBInvisible.vider();
    RésultatGénération r = calculer(e);
    if (!r.ok()) return r;
    const CapacitésComposant& c = *e.composant;
    const TimerComposant& t = c.timers[r.indexTimer];
    const CalculTimer::Réglage& g = r.réglage;

    // Modèle et section du timer.
    const QString chemin = e.dossierModèles + u'/' + c.ModèleDeCode;
    QString erreur;
    if (!RTBInvisible.charger(chemin, &erreur)) {
        r.erreur = QStringLiteral("Le modèle de code « %1 » ne peut pas être lu.")
                       .arg(QDir::toNativeSeparators(chemin));
        RTBInvisible.vider();
        return r;
    }
    const QString marqueur = QStringLiteral("Code PWM ") + r.section;
    const QStringList lignes = RTBInvisible.texte().split(CRLF);
    qsizetype début = -1, fin = -1, position = 0, débutSection = 0, finSection = 0;
    for (qsizetype i = 0; i < lignes.size(); ++i) {
        const QString l = Texte::rognerDroite(lignes[i]);
        if (début < 0 && l == marqueur) {
            début = i;
            débutSection = position + lignes[i].size() + 2;
        } else if (début >= 0 && l == u"Fin") {
            // Seule une ligne qui vaut exactement « Fin » termine la section.
            fin = i;
            finSection = position;
            break;
        }
        position += lignes[i].size() + 2;
    }
    if (début < 0 || fin < 0) {
        r.erreur = QStringLiteral("Le modèle de code « %1 » n'a pas de section « %2 » terminée par « Fin ».")
                       .arg(c.ModèleDeCode, marqueur);
        RTBInvisible.vider();
        return r;
    }
    RTBInvisible.sélectionner(finSection, RTBInvisible.longueur() - finSection);
    RTBInvisible.remplacerSélection(QString());
    RTBInvisible.sélectionner(0, débutSection);
    RTBInvisible.remplacerSélection(QString());
    if (!e.CBInit) {
        // Le corps seul : sans la ligne d'en-tête, l'accolade ouvrante et l'accolade fermante.
        const QString texte = RTBInvisible.texte();
        const qsizetype accolade = texte.indexOf(u'{');
        if (accolade >= 0) {
            const qsizetype finLigne = texte.indexOf(CRLF, accolade);
            RTBInvisible.sélectionner(0, finLigne < 0 ? texte.size() : finLigne + 2);
            RTBInvisible.remplacerSélection(QString());
        }
        const QString reste = RTBInvisible.texte();
        const qsizetype fermante = reste.lastIndexOf(u'}');
        if (fermante >= 0) {
            const qsizetype débutLigne = reste.lastIndexOf(CRLF, fermante);
            const qsizetype d = débutLigne < 0 ? 0 : débutLigne + 2;
            RTBInvisible.sélectionner(d, reste.size() - d);
            RTBInvisible.remplacerSélection(QString());
        }
    }

    // Résumé, tiré des valeurs écrites.
    const Calculatrice::Résumé s = Calculatrice::résumé(g, r.mode);
    const EntréeHorlogeComposant* entrée =
        e.indexEntrée >= 0 && e.indexEntrée < int(c.entrées.size()) ? &c.entrées[e.indexEntrée] : nullptr;
    const QString horloge = Calculatrice::texteFréquence(e.fréquenceHorloge) +
                            (entrée ? QStringLiteral(" (%1)").arg(entrée->libellé) : QString());
    // Le sommet, et sur la ligne suivante la sortie qu'il prend à la MLI.
    QString sommet = Calculatrice::texteSommet(g, r.mode);
    if (!r.avertissementSommet.isEmpty()) sommet += CRLF + QStringLiteral("\t// ") + r.avertissementSommet;
    const std::pair<const char16_t*, QString> résumé[] = {{u"Entrée d'horloge :", horloge},
                                                          {u"F :", s.F},
                                                          {u"T :", s.T},
                                                          {u"RC :", s.RC},
                                                          {u"Ton :", s.Ton},
                                                          {u"Toff :", s.Toff},
                                                          {u"Écart :", s.Écart},
                                                          {u"Sommet :", sommet}};
    for (const auto& [clé, valeur] : résumé)
        InsérerAprèsClé(RTBInvisible, QString::fromUtf16(clé), u' ' + valeur, false, 0, false, false,
                        Turquoise, Police, 10);

    // Registres.
    auto écrire = [&](const QString& registre, const QString& valeur, const QString& commentaire) {
        if (registre.isEmpty()) return;
        if (InsérerAprèsClé(RTBInvisible, registre + u'=', valeur, false, 0, true, true, RougeSombre, Police,
                            10) >= 0 &&
            !commentaire.isEmpty())
            AjouterFinDeLigne(RTBInvisible, CRLF, commentaire, false, false, Sarcelle, Police, 10);
    };
    auto binaire = [](uint32_t v) { return QStringLiteral("// ") + EnBinaire(v, 8).chopped(1); };
    // Un registre partagé avec une autre sortie du timer garde les bits de celle-ci : les codes des
    // deux sorties s'appellent l'un après l'autre.
    auto config = [&](int k, uint32_t v) {
        const QString reg = t.registre(k);
        écrire(reg,
               g.garder[k] ? QStringLiteral("(%1 & %2) | %3").arg(reg, Nombres::hexaC(g.garder[k]), Nombres::hexaC(v)) : Nombres::hexaC(v),
               binaire(v));
    };
    config(0, g.configA);
    if (t.nombreRegistresConfig == 2) config(1, g.configB);
    écrire(g.registreSommet, QString::number(g.sommet), {});
    if (g.registreComparaison != g.registreSommet)
        écrire(g.registreComparaison, QString::number(g.comparaison), {});

    // Les registres que ce mode n'utilise pas : leur ligne vide part.
    static const QRegularExpression vide(QStringLiteral("^\\s*[A-Za-z_][A-Za-z0-9_]*=;\\s*$"));
    const QStringList finales = RTBInvisible.texte().split(CRLF);
    qsizetype pos = RTBInvisible.longueur();
    for (qsizetype i = finales.size() - 1; i >= 0; --i) {
        pos -= finales[i].size();
        if (vide.match(finales[i]).hasMatch()) {
            const bool dernière = i == finales.size() - 1;
            const qsizetype d = dernière && i > 0 ? pos - 2 : pos;
            RTBInvisible.sélectionner(d, finales[i].size() + 2);
            RTBInvisible.remplacerSélection(QString());
        }
        pos -= 2;
    }
    RTBInvisible.sélectionner(0, 0);
    return r;
}

#include "assistant/project/ConfigurationPorts.h"

#include "common/Texte.h"

namespace {

using Texte::SautDeLigne;

std::array<QString, 8> huitLibellés(const QString& attribut) {
    std::array<QString, 8> r;
    const QStringList champs = attribut.split(u',');
    for (int i = 0; i < 8 && i < champs.size(); ++i)
        r[i] = Texte::rogner(champs[i]);
    return r;
}

bool libelléDeBit(const QString& libellé) {
    return !libellé.isEmpty() && libellé != u"-";
}

// Lecture bornée aux bits que le port possède : un bit absent n'est ni dans l'une ni dans
// l'autre liste, et « tout » veut dire tous les bits du port.
struct Lecture {
    LectureBits bits;
    bool toutÀUn = false;
    bool toutÀZéro = false;
};

Lecture lire(int valeur, int masque) {
    Lecture l;
    QStringList un, zéro;
    for (int bit = 7; bit >= 0; --bit) {
        if (!(masque & (1 << bit))) continue;
        ((valeur >> bit) & 1 ? un : zéro) << QString::number(bit);
    }
    l.bits.valeur = valeur & masque;
    l.bits.listeUn = un.join(u',');
    l.bits.listeZéro = zéro.join(u',');
    l.toutÀUn = zéro.isEmpty();
    l.toutÀZéro = un.isEmpty();
    return l;
}

QString commentaireDirection(const Lecture& d, const QString& bit) {
    if (d.toutÀUn) return QStringLiteral("; // Tout en sortie.");
    if (d.toutÀZéro) return QStringLiteral("; // Tout en entrée.");
    return QStringLiteral("; // ") + bit + u' ' + d.bits.listeZéro + QStringLiteral(" en entrée et ") +
           d.bits.listeUn + QStringLiteral(" en sortie.");
}

QString ligne(const QString& registre, const QString& port, int valeur, const QString& commentaire) {
    return QStringLiteral("\t") + registre + port + QStringLiteral("=0x") + DeciHexa(valeur, 2) +
           commentaire + SautDeLigne;
}

} // namespace

bool PortComposant::ligneDisponible(int ligne) const {
    return ligne >= 0 && ligne < 8 && libelléDeBit(bits[ligne]);
}

int PortComposant::masque() const {
    int m = 0;
    for (int ligne = 0; ligne < 8; ++ligne)
        if (ligneDisponible(ligne)) m |= 1 << (7 - ligne);
    return m;
}

LectureBits lireBits(const std::array<bool, 8>& coches) {
    int valeur = 0;
    for (int ligne = 0; ligne < 8; ++ligne)
        if (coches[ligne]) valeur |= 1 << (7 - ligne);
    return lire(valeur, 0xFF).bits;
}

QString DeciHexa(int valeur, int chiffres) {
    return QString::number(valeur, 16).toUpper().rightJustified(chiffres, u'0');
}

namespace ConfigurationPorts {

std::vector<PortComposant> ports(const CapacitésComposant& c) {
    std::vector<PortComposant> r;
    for (int i = 0; i < c.ports.size(); ++i) {
        PortComposant p;
        p.nom = c.ports[i];
        p.bits = huitLibellés(c.bitsPorts.value(i));
        p.pullUp = huitLibellés(c.pullUpPorts.value(i));
        r.push_back(p);
    }
    return r;
}

TablePorts nouvelleTable(const std::vector<PortComposant>& ports) {
    TablePorts t;
    for (const PortComposant& p : ports) {
        LignePort l;
        l.nom = p.nom;
        t.push_back(l);
    }
    return t;
}

namespace {

QString blocQuitté(const LignePort& l, int masque) {
    if (l.ignorer == 1) return {};
    const Lecture d = lire(l.direction, masque);
    const Lecture p = lire(l.pullUp, masque);
    QString pull;
    if (p.toutÀUn)
        pull = QStringLiteral("; // Pull-Up sur toutes les entrées.");
    else if (p.toutÀZéro)
        pull = QStringLiteral("; // Pas de Pull-Up.");
    else
        pull = QStringLiteral("; // Pull-Up sur Bit ") + p.bits.listeUn + u'.';
    return ligne(QStringLiteral("DDR"), l.nom, d.bits.valeur,
                 commentaireDirection(d, QStringLiteral("Bit"))) +
           ligne(QStringLiteral("PORT"), l.nom, p.bits.valeur, pull);
}

QString blocFermeture(const LignePort& l, int masque) {
    if (l.ignorer == 1) return {};
    const Lecture d = lire(l.direction, masque);
    const Lecture p = lire(l.pullUp, masque);
    QString bloc =
        ligne(QStringLiteral("DDR"), l.nom, d.bits.valeur, commentaireDirection(d, QStringLiteral("Bits")));
    if (p.toutÀUn)
        bloc += ligne(QStringLiteral("PORT"), l.nom, p.bits.valeur,
                      QStringLiteral("; // Pull-Up sur toutes les entrées."));
    else if (!p.toutÀZéro)
        bloc += ligne(QStringLiteral("PORT"), l.nom, p.bits.valeur,
                      QStringLiteral("; // Pull-Up ou sortie à NL1 sur ") + p.bits.listeUn + u'.');
    return bloc;
}

} // namespace

QString blocEnQuittantLePort(const LignePort& l) {
    return blocQuitté(l, 0xFF);
}

QString blocEnFermant(const LignePort& l) {
    return blocFermeture(l, 0xFF);
}

QString texteConfiguration(const TablePorts& table, const std::vector<PortComposant>& ports) {
    QString texte;
    bool réglé = false;
    for (const PortComposant& port : ports) {
        // Un port sans aucun bit n'a rien à régler : pas de ligne pour lui.
        if (port.masque() == 0) continue;
        for (const LignePort& l : table)
            if (l.nom == port.nom && l.configuré()) {
                réglé = true;
                texte += l.réglage == LignePort::Réglage::Quitté ? blocQuitté(l, port.masque())
                                                                 : blocFermeture(l, port.masque());
                break;
            }
    }
    if (!réglé) return {};
    return QStringLiteral("// Configuration des ports") + SautDeLigne + texte;
}

} // namespace ConfigurationPorts

#pragma once
// Document de texte riche : le modèle de tout texte édité (vues du makefile, tampon de travail et
// vue du code de l'assistante, modèles). Il ne dessine rien ; les vues le montrent.
//
// Le texte est un QString où chaque saut de ligne est CR LF : les positions comptent depuis 0 et un
// saut de ligne compte pour deux caractères. Aucun CR ni LF isolé n'y reste jamais : toute entrée
// est normalisée. Chaque caractère porte un format (gras, italique, couleur, police, taille).
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

// Couleur en composantes rouge, vert, bleu.
struct CouleurRVB {
    std::uint8_t rouge = 0;
    std::uint8_t vert = 0;
    std::uint8_t bleu = 0;

    bool operator==(const CouleurRVB&) const = default;
    // Depuis un entier écrit &HBBVVRR (bleu, vert, rouge), forme de certaines données.
    static CouleurRVB depuisBVR(std::uint32_t bvr) {
        return {std::uint8_t(bvr & 0xFF), std::uint8_t((bvr >> 8) & 0xFF), std::uint8_t((bvr >> 16) & 0xFF)};
    }
};

// Format d'un caractère.
struct FormatCaractere {
    bool gras = false;
    bool italique = false;
    CouleurRVB couleur; // noir par défaut
    QString police = QStringLiteral("Courier New");
    double taille = 10; // en points ; le RTF l'arrondit au demi-point

    bool operator==(const FormatCaractere&) const = default;
};

// Suite de caractères contigus de même format.
struct SegmentRiche {
    qsizetype début = 0;
    qsizetype longueur = 0;
    FormatCaractere format;

    bool operator==(const SegmentRiche&) const = default;
};

// Contenu formaté complet, pour copier d'un document à l'autre ou alimenter une vue : le texte
// (sauts de ligne CR LF) et ses segments, contigus, qui le couvrent exactement.
struct ContenuRiche {
    QString texte;
    std::vector<SegmentRiche> segments;

    bool operator==(const ContenuRiche&) const = default;
};

// Fin de ligne d'un fichier de texte brut.
enum class FinDeLigne { CRLF, LF, CR };

// Codage d'un fichier de texte brut.
enum class CodageTexte { UTF8, UTF8AvecBOM, Windows1252 };

class DocumentRiche final {
public:
    // Options de recherche, à additionner.
    static constexpr int MotEntier = 2;      // refusée si un caractère de mot colle à la correspondance
    static constexpr int RespecterCasse = 4; // sinon les lettres se comparent sans égard à la casse

    DocumentRiche();

    // --- Fichiers ---------------------------------------------------------------------------
    // Charge un fichier : RTF (commençant par « {\rtf ») avec sa mise en forme, tout autre
    // contenu comme texte brut (UTF-8 s'il est valide, sinon Windows-1252), dont la fin de ligne
    // et le codage sont retenus pour l'enregistrement. Remplace l'ancien contenu ; sélection au
    // début. Faux, avec un message français dans erreur, si le fichier ne peut être lu (le
    // document reste alors inchangé).
    bool charger(const QString& chemin, QString* erreur = nullptr);
    // Même chose depuis des octets déjà lus.
    void chargerDonnées(const QByteArray& données);

    // Enregistre le texte seul, avec la fin de ligne et le codage retenus (ceux du fichier
    // chargé ; LF et UTF-8 pour un document neuf ou venu d'un RTF sous Linux). Écriture atomique ;
    // faux avec un message français en cas d'échec, le fichier d'avant restant intact.
    bool enregistrerTexte(const QString& chemin, QString* erreur = nullptr) const;
    // Enregistre texte et mise en forme en RTF (écriture atomique).
    bool enregistrerRtf(const QString& chemin, QString* erreur = nullptr) const;
    // Les octets que ces deux enregistrements écrivent.
    QByteArray octetsTexte() const;
    QByteArray octetsRtf() const;

    // Fin de ligne et codage utilisés par enregistrerTexte.
    FinDeLigne finDeLigne() const { return m_finDeLigne; }
    void définirFinDeLigne(FinDeLigne f) { m_finDeLigne = f; }
    CodageTexte codage() const { return m_codage; }
    void définirCodage(CodageTexte c) { m_codage = c; }
    // Vrai si le dernier chargement était un RTF.
    bool venuDUnRtf() const { return m_venuDUnRtf; }

    // --- Contenu entier ---------------------------------------------------------------------
    QString texte() const { return m_texte; }
    qsizetype longueur() const { return m_texte.size(); }
    // Remplace tout le texte (sauts de ligne normalisés en CR LF), au format d'insertion ;
    // sélection au début.
    void définirTexte(QString texte);
    // Contenu formaté entier, et remplacement par un contenu formaté (copie entre documents).
    ContenuRiche contenu() const;
    void définirContenu(const ContenuRiche& contenu);
    // Contenu formaté de la sélection (pour le presse-papiers).
    ContenuRiche contenuSélection() const;
    // Segments de même format, dans l'ordre (pour les vues).
    std::vector<SegmentRiche> segments() const { return contenu().segments; }
    // Vide le document (le format d'insertion reste).
    void vider() { définirTexte(QString()); }

    // --- Recherche --------------------------------------------------------------------------
    // Cherche texte depuis début vers la fin, sans reboucler ; options : MotEntier, RespecterCasse.
    // Rend la position de la première correspondance, -1 sinon (texte vide, début hors du texte).
    // Avec MotEntier, une correspondance qui commence par une lettre, un chiffre ou un souligné
    // est refusée si un tel caractère la précède ; de même à sa fin avec le caractère qui suit.
    qsizetype chercher(const QString& texte, qsizetype début = 0, int options = 0) const;
    // Même chose, et la correspondance devient la sélection ; un échec laisse la sélection.
    qsizetype trouver(const QString& texte, qsizetype début = 0, int options = 0);

    // --- Sélection --------------------------------------------------------------------------
    qsizetype débutSélection() const { return m_débutSélection; }
    qsizetype longueurSélection() const { return m_longueurSélection; }
    QString texteSélection() const { return m_texte.mid(m_débutSélection, m_longueurSélection); }
    // Place le point d'insertion (longueur 0), borné au texte.
    void définirDébutSélection(qsizetype position);
    // Longueur de la sélection depuis son début, bornée à la fin du texte (négatif : 0).
    void définirLongueurSélection(qsizetype longueur);
    // Les deux à la fois.
    void sélectionner(qsizetype début, qsizetype longueur);
    // Remplace la sélection par texte (sauts de ligne normalisés), au format d'insertion ; le
    // point d'insertion se place juste après le nouveau texte. Avec une sélection qui coupe un
    // CR LF, le saut coupé est complété pour qu'aucun CR ni LF isolé ne reste.
    void remplacerSélection(const QString& texte);

    // Le format d'insertion suit la sélection : quand elle change, il devient celui du premier
    // caractère sélectionné, ou, pour un point d'insertion, celui du caractère qui le précède
    // (celui qui le suit au début du texte). Les réglages ci-dessous s'appliquent aux caractères
    // sélectionnés et au format d'insertion : avec une sélection vide, au texte inséré ensuite.
    void définirGras(bool gras);
    void définirItalique(bool italique);
    void définirCouleur(CouleurRVB couleur);
    void définirPolice(const QString& police);
    void définirTaille(double points);
    void définirFormat(const FormatCaractere& format);
    // Format du caractère à une position (le format d'insertion hors du texte).
    FormatCaractere formatEn(qsizetype position) const;
    // Format qu'aura le texte inséré ensuite.
    const FormatCaractere& formatInsertion() const { return m_formatInsertion; }

    // --- Déplacements -----------------------------------------------------------------------
    // Place le point d'insertion sur le prochain caractère de ensemble (ou, avec horsEnsemble,
    // qui n'en est pas), en partant de la fin de la sélection ; à la fin du texte s'il n'y en a pas.
    // Rend la nouvelle position.
    qsizetype avancerJusquÀ(const QString& ensemble, bool horsEnsemble = false);
    // Étend la sélection, depuis sa fin, sur la suite de caractères de ensemble qui s'y trouve
    // (ou, avec horsEnsemble, jusqu'au prochain caractère de ensemble exclu) ; son début ne
    // bouge pas. Rend la nouvelle longueur.
    qsizetype étendreSur(const QString& ensemble, bool horsEnsemble = false);

private:
    std::uint32_t indexDeFormat(const FormatCaractere& f);
    template <class Modif> void modifierFormat(Modif modif);
    void insérer(qsizetype position, const QString& texte, std::uint32_t format);
    void formatSelonSélection();
    void compacterFormats();
    void chargerOctets(QByteArray données);
    // Un texte d'un seul format (tout texte brut chargé) n'a pas de format par caractère : tous
    // ont m_table[0]. La table par caractère n'est faite qu'au premier changement.
    bool uniforme() const { return m_formats.size() != std::size_t(m_texte.size()); }
    void matérialiserFormats();

    QString m_texte;
    std::vector<std::uint32_t> m_formats; // un index dans m_table par caractère (vide : uniforme)
    std::vector<FormatCaractere> m_table; // formats distincts en usage
    FormatCaractere m_formatInsertion;
    qsizetype m_débutSélection = 0;
    qsizetype m_longueurSélection = 0;
    FinDeLigne m_finDeLigne;
    CodageTexte m_codage = CodageTexte::UTF8;
    bool m_venuDUnRtf = false;
};

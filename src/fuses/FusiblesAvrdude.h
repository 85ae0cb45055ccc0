#pragma once
// Lecture et écriture des fusibles et du verrouillage par avrdude, sans rien dessiner : les
// listes de bits, l'enchaînement des exécutions, les légendes des deux boutons, la console et les
// messages. La fenêtre des fusibles montre cet état et transmet les gestes de l'utilisateur.
#include "common/Messages.h"
#include "fuses/SortieAvrdude.h"
#include "noyau/DOSClass.h"
#include "ui/DocumentRiche.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// Une ligne d'une liste à cocher : cochée = bit à 1 = fusible non programmé.
struct LigneCoche {
    QString nom;
    bool cochée = false;
};
using ListeCoches = std::vector<LigneCoche>;

// Montre valeur dans la liste : le bit 7 - k sur la ligne premièreLigne + k, cochée pour un bit à
// 1, décochée pour un bit à 0 ; une ligne absente est ignorée.
void AfficherLecture(int valeur, int premièreLigne, ListeCoches& liste);
// L'octet à écrire d'après les lignes premièreLigne à premièreLigne + 7. Une ligne « SPIEN »
// cochée donne 0, avec un message : la programmation série n'est jamais désactivée.
int LireBitAProgrammer(int premièreLigne, const ListeCoches& liste);

// Légende et fond d'un bouton ; sans fond, celui de l'apparence.
struct EtatBouton {
    QString légende;
    std::optional<CouleurRVB> fond;

    bool operator==(const EtatBouton&) const = default;
};

// Ce que l'enchaînement demande à la fenêtre.
class VueFusibles {
public:
    virtual ~VueFusibles() = default;
    // Montrer la console (fenêtre élargie, « <<<< »), avant le message d'erreur indéfinie.
    virtual void élargirConsole() = 0;
    virtual void bip() = 0;
    // Avrdude travaille à cette étape (« Lecture du fusible haut… ») ; vide : plus rien en cours.
    virtual void montrerÉtape(const QString& étape) = 0;
    // Lignes, boutons ou console ont changé.
    virtual void actualiser() = 0;
};

namespace Fusibles {

inline const QString LireLesFusibles = QStringLiteral("Lire les fusibles");
inline const QString FusiblesLus = QStringLiteral("Fusibles Lus");
inline const QString LireFusibles = QStringLiteral("Lire Fusibles");
inline const QString FuserLesBit = QStringLiteral("Fuser les bit");
inline const QString FuserLesBits = QStringLiteral("Fuser les bits");
inline const QString FusiblesEcris = QStringLiteral("Fusibles Ecris");

// Couleurs écrites &HBBVVRR.
inline const CouleurRVB Vert = CouleurRVB::depuisBVR(0x00FF00);
inline const CouleurRVB VertClair = CouleurRVB::depuisBVR(0xC0FFC0);
inline const CouleurRVB RougeClair = CouleurRVB::depuisBVR(0xC0C0FF);
inline const CouleurRVB Rouge = CouleurRVB::depuisBVR(0x0000FF);

// Ligne d'astérisques entre deux exécutions dans la console.
QString ligneDAstérisques();

// Textes exacts des messages.
Message messageCommunication(bool lecture);
Message messageErreurIndéfinie();
Message messageSPIEN();
// verrou : la valeur du verrouillage qui sera aussi écrite, s'il change.
Message questionFuser(std::optional<int> verrou = std::nullopt);
Message messageLectureAvantEcriture();

} // namespace Fusibles

class FusiblesAvrdude final {
public:
    explicit FusiblesAvrdude(VueFusibles& vue);
    FusiblesAvrdude(const FusiblesAvrdude&) = delete;
    FusiblesAvrdude& operator=(const FusiblesAvrdude&) = delete;

    // Au chargement de la fenêtre : la description du composant courant relue (un fichier
    // endommagé est signalé), les listes (octets étendu, haut, bas, du bit 7 au bit 0), les
    // légendes de départ.
    void charger();
    // Une fois la fenêtre montrée : demande à avrdude ce qu'il sait faire des fusibles du
    // composant et signale ce qu'il ne sait pas faire.
    void vérifierComposant();

    // CBLire, CBFuser et l'arrêt demandé pendant une exécution.
    void lire();
    void écrire();
    void arrêter();
    bool enCours() const { return m_enCours; }

    // Une exécution d'avrdude ; la sortie s'accumule dans RTRetourDos et dans la console. Rend
    // l'octet lu, ou -1 après un échec (ErreurAvrdude levé, message montré).
    int LectureFusibles(const QString& ligne);
    void EcritureFusibles(const QString& ligne, const QString& mémoire);

    // Les octets présents au chargement, dans l'ordre de la liste : étendu, haut, bas.
    const std::vector<Avrdude::Octet>& octetsPrésents() const { return m_octets; }
    // Le verrouillage est lu et écrit quand la description nomme au moins un de ses bits.
    bool verrouActif() const { return m_verrou; }
    // Le préfixe des commandes ; vide, avec un message, si une valeur manque.
    QString préfixeCommandes() const;
    // Le nom de l'octet dans les textes (« fusible haut »…).
    QString nomOctet(Avrdude::Octet octet) const;

    // Programme lancé (« avrdude » par le chemin de recherche).
    QString programme = QStringLiteral("avrdude");
    // Délai de la demande de description du composant à avrdude, en millisecondes.
    int délaiPartie = 3000;

    DOSClass MyDOS;
    QString RTRetourDos; // octets bruts de l'exécution en cours, un caractère par octet
    DocumentRiche RTAffichageDos;
    ListeCoches ListeFusibles;
    ListeCoches ListeVerrouillage;
    EtatBouton CBLire;
    EtatBouton CBFuser;
    bool ErreurAvrdude = false;
    std::uint8_t ValeurFusibleEtendu = 0;
    std::uint8_t ValeurFusibleHaut = 0;
    std::uint8_t ValeurFusibleBas = 0;
    std::uint8_t ValeurVerrou = 0;

private:
    void MyDOS_ReceiveOutputs(const QString& strCommandOutputs);
    Avrdude::Exécution exécuter(const QString& ligne);
    void signalerÉchec(Avrdude::Issue issue, bool lecture, std::int32_t statut);
    void ajouterConsole(const QString& texte);
    void montrerExécution();
    void lireOctet(const QString& préfixe, Avrdude::Octet octet, ListeCoches& liste, int premièreLigne);
    void écrireOctet(const QString& préfixe, Avrdude::Octet octet, const ListeCoches& liste,
                     int premièreLigne, bool sécurité);
    void garderValeur(Avrdude::Octet octet, std::uint8_t valeur);
    void parcourir(const std::function<void()>& préparer,
                   const std::function<void(Avrdude::Octet, ListeCoches&, int)>& traiter, bool avecVerrou);
    // Ce qu'avrdude sait faire des octets du composant ; montre le message quand il manque une
    // lecture (lecture) ou une écriture (!lecture). Vrai quand les fusibles sont accessibles.
    bool vérifierAccès(bool lecture);
    // La description du composant par avrdude, demandée une fois par chargement.
    void demanderPartie();
    Avrdude::AccèsMémoire accès(Avrdude::Octet octet) const;
    QStringList problèmesAccès() const;
    Message messageInaccessibles(const QStringList& problèmes) const;

    VueFusibles& m_vue;
    // Les demandes de version et de description du composant, que le bouton d'arrêt interrompt
    // comme les autres.
    DOSClass m_dosVersion;
    DescriptionAVR m_description;
    std::vector<Avrdude::Octet> m_octets;
    bool m_verrou = false;
    // Le verrouillage a été lu (ou écrit) depuis la dernière lecture : ValeurVerrou est celui de la puce.
    bool m_verrouConnu = false;
    std::optional<Avrdude::DescriptionPartie> m_partie;
    bool m_partieDemandée = false;
    bool m_enCours = false;
    bool m_arrêtDemandé = false;
    // Début, dans la console, de la sortie de l'exécution en cours.
    qsizetype m_débutExécution = 0;
};

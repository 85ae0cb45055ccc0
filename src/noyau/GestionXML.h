#pragma once
// Magasin XML : un document en mémoire dont les éléments sont désignés par un chemin de noms
// séparés par des blancs, chacun suivi au besoin d'un indice entre parenthèses.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <pugixml.hpp>
#include <stdexcept>
#include <vector>

class ErreurXML final : public std::runtime_error {
public:
    explicit ErreurXML(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString texte() const { return QString::fromStdString(what()); }
};

class GestionXML final {
public:
    static constexpr int MaxComposants = 20;
    static constexpr int MaxListe = 1000;
    // Imbrication au-delà de laquelle un fichier est refusé : un chemin compte au plus 20 éléments
    // et les fichiers réels moins de 10 niveaux ; 256 laisse toute la marge à un fichier écrit à la
    // main, sans laisser un fichier hostile faire durer chaque parcours.
    static constexpr int ProfondeurMax = 256;

    // Charge le fichier, ou le crée avec la seule racine PremierNoeud s'il n'existe pas.
    void Ouvrir(const QString& CheminComplet, const QString& PremierNoeud);
    // Enregistre s'il y a eu écriture, puis libère le document. Faux si l'enregistrement a échoué
    // (rien n'est perdu).
    bool Fermer();
    // Enregistre le document s'il a été modifié par une écriture : une lecture ne réécrit jamais
    // le fichier (les éléments vides qu'elle crée en mémoire ne comptent pas). Jamais pour un
    // fichier qui n'a pas pu être lu.
    bool Sauver();

    void AjouterNoeud(const QString& NomDuNouveauNoeud, const QString& Ascendants);
    void SupprimerNoeud(const QString& Chemin);
    void EcrireValeur(const QString& Chemin, const QString& Valeur);
    QString LireValeur(const QString& Chemin);
    void EcrireAttribut(const QString& Chemin, const QString& Attribut, const QString& Valeur);
    QString LireAttribut(const QString& Chemin, const QString& Attribut);
    int16_t NombreDeNoeudsMultiples(const QString& NomElement, const QString& Chemin,
                                    const QString& NomAttribut);
    QString ListeAttribut(int Index) const;
    // Éléments NomElement enfants directs du dernier élément de Chemin, sans limite de nombre :
    // pour chacun, l'indice qui le désigne dans un chemin (son rang parmi les descendants de ce
    // nom) et son attribut NomAttribut. Un élément imbriqué dans un autre de même nom n'y est pas.
    // *descendants reçoit le nombre de tous les descendants de ce nom (l'indice d'un nouvel enfant).
    struct EnfantDirect {
        int indice = 0;
        QString attribut;
    };
    std::vector<EnfantDirect> EnfantsDirects(const QString& NomElement, const QString& Chemin,
                                             const QString& NomAttribut, int* descendants = nullptr);
    QString ListeValeur(int Index) const;

    // Le fichier existait mais n'a pas pu être lu ou analysé : il ne sera jamais réécrit.
    bool documentEndommagé() const { return endommagé_; }
    // Le fichier a été refusé avant que son contenu XML soit en cause : illisible, pas un fichier
    // ordinaire, trop gros ou trop imbriqué. dernièreErreur() en donne la raison.
    bool fichierRefusé() const { return refusé_; }
    // Texte de la dernière erreur d'analyse ou d'enregistrement.
    QString dernièreErreur() const { return erreur_; }
    QString nomFichier() const { return fichier_; }

private:
    enum class Codage { UTF8, UTF8AvecBOM, Latin1, UTF16LE, UTF16BE };

    void analyserChemin(const QString& chemin);
    pugi::xml_node chercherDescendant(pugi::xml_node parent, const QString& nom, int index) const;
    pugi::xml_node creerEnfant(pugi::xml_node parent, const QString& nom);
    void préparerÉcriture();
    void apprendreMiseEnPage();
    bool enregistrer();
    void refuser(const QString& raison);
    pugi::xml_node dernierAvecCreation();
    pugi::xml_node dernierSansCreation() const;
    QByteArray serialiser() const;

    pugi::xml_document doc_;
    bool ouvert_ = false;
    bool endommagé_ = false;
    bool refusé_ = false;
    bool modifié_ = false;
    // Mise en page du fichier, reprise par les éléments ajoutés.
    bool indenté_ = true;
    QString unitéIndentation_ = QStringLiteral("\t");
    QByteArray finDeLigne_ = "\n";
    Codage codage_ = Codage::UTF8;
    QByteArray octetsLus_; // contenu tel qu'il est sur le disque, pour ne rien réécrire d'identique
    QString fichier_;
    QString racine_;
    QString erreur_;

    std::array<pugi::xml_node, MaxComposants + 1> Noeuds{};
    std::array<QString, MaxComposants + 1> Noms{};
    int16_t Niveau = 0;
    int16_t IndexNoeud = 0;
    int16_t compteur_ = 0;
    QStringList ListeAttributs;
    QStringList ListeValeurs;
};

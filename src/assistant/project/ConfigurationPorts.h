#pragma once
// Configuration des ports : pour chaque port du microcontrôleur, les bits en sortie et ceux qui
// reçoivent un pull-up (ou sont à 1 en sortie), et le texte C qui règle DDRx et PORTx.
#include "assistant/timers/CapacitesComposant.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <vector>

// Un port tel que le fichier des possibilités le décrit : huit libellés par liste, celui du bit 7
// d'abord ; « - » ou vide pour un bit que le port n'a pas.
struct PortComposant {
    QString nom;
    std::array<QString, 8> bits;
    std::array<QString, 8> pullUp;

    // Le bit 7 - ligne existe-t-il ? Une ligne sans bit se montre grisée et ne se coche jamais.
    bool ligneDisponible(int ligne) const;
    // Masque des bits que le port possède.
    int masque() const;
};

// Une ligne de TablePorts.
struct LignePort {
    QString nom;
    int16_t direction = 0; // bit à 1 = sortie
    int16_t pullUp = 0;    // bit à 1 = pull-up (sortie à 1)
    int16_t ignorer = 0;   // 1 = aucun code pour ce port
    QString directionHexa;
    QString pullUpHexa;
    QString blocCode; // lignes écrites au dernier réglage du port
    // Dernier réglage : quitté par la barre de défilement, fermé par « Quitter » (ou chargé d'un
    // profil) ; il choisit la formulation du bloc dans %Port%.
    enum class Réglage { Aucun, Quitté, Fermé };
    Réglage réglage = Réglage::Aucun;
    bool configuré() const { return réglage != Réglage::Aucun; }
};
using TablePorts = std::vector<LignePort>;

// Lecture d'une liste de huit lignes : la valeur, les bits cochés et les bits décochés, chacun
// en ordre décroissant, séparés par « , » (« 7,6,3 »).
struct LectureBits {
    int valeur = 0;
    QString listeUn;
    QString listeZéro;
};
LectureBits lireBits(const std::array<bool, 8>& coches);

// Chiffres hexadécimaux en capitales, complétés à gauche par des « 0 » jusqu'à chiffres (jamais
// coupés) : DeciHexa(5, 2) = « 05 ».
QString DeciHexa(int valeur, int chiffres);

namespace ConfigurationPorts {

// Ports du composant, tirés de ses possibilités déjà lues, dans l'ordre du fichier ; des libellés
// manquants donnent des bits absents, jamais une liste décalée.
std::vector<PortComposant> ports(const CapacitésComposant& composant);

// Table neuve pour ces ports : une ligne par port, tout à zéro.
TablePorts nouvelleTable(const std::vector<PortComposant>& ports);

// Bloc d'un port quand on le quitte par la barre de défilement (« Bit …, Pull-Up sur Bit … »).
QString blocEnQuittantLePort(const LignePort& ligne);
// Bloc d'un port fermé par « Quitter » (« Bits …, Pull-Up ou sortie à NL1 sur … »).
QString blocEnFermant(const LignePort& ligne);

// Texte de %Port% : « // Configuration des ports » puis, pour chaque port du composant réglé et
// non ignoré, son bloc dans la formulation de son dernier réglage, recalculé des valeurs de la
// table bornées aux bits que le port possède. Un port d'un autre composant ou d'une table
// précédente n'y entre jamais. Vide si aucun port n'a été réglé.
QString texteConfiguration(const TablePorts& table, const std::vector<PortComposant>& ports);

} // namespace ConfigurationPorts

#pragma once
// Démarrage de programmes extérieurs sans interpréteur de commandes : détachés (outils) ou au
// premier plan (cibles make, dont l'éditeur attend la sortie et le code).
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace Processus {

struct Commande {
    QString programme; // nom cherché dans PATH, ou chemin
    QStringList arguments;
};

// Chemin complet du programme (tel quel s'il contient un séparateur), vide s'il est introuvable.
QString trouverProgramme(const QString& programme);

// Démarre la commande dans dossier, détachée : le programme peut se terminer aussitôt après.
// Faux (et erreur en français) si le programme est introuvable ou ne démarre pas.
bool demarrerDetache(const Commande& commande, const QString& dossier, QString* erreur = nullptr);

// Démarre les commandes l'une après l'autre dans dossier, chacune attendant la fin de la
// précédente, sans faire attendre l'appelant. Rend la main dès que la première a démarré.
bool demarrerEnSuite(const std::vector<Commande>& commandes, const QString& dossier,
                     QString* erreur = nullptr);

// Exécute les commandes l'une après l'autre dans dossier, au premier plan : chacune hérite de
// l'entrée et des sorties de l'appelant, telles quelles, et tourne dans son propre groupe de
// processus ; la suivante ne démarre que si la précédente a réussi. Rend le code de la dernière
// exécutée (128 + n si un signal n l'a tuée). Un SIGINT, SIGTERM ou SIGHUP reçu entre-temps est
// transmis à tout le groupe, dont rien ne reste ensuite, et le code rendu est 128 + ce signal.
// Rien (et erreur en français) si un programme est introuvable ou ne démarre pas.
std::optional<int> executerAuPremierPlan(const std::vector<Commande>& commandes, const QString& dossier,
                                         QString* erreur = nullptr);

// Remplace le processus courant par le programme donné, avec ces arguments (argv[0] compris).
// Ne revient qu'en cas d'échec, avec le texte de l'erreur.
QString remplacerPar(const QString& chemin, const QStringList& arguments);

} // namespace Processus

#pragma once
// Dialogues usuels : choisir un fichier existant, choisir un dossier.
#include <QString>
#include <functional>

class QWidget;

// Boîte d'ouverture de fichier. filtre : paires « description|motif » séparées par « | » (« *.* »
// seul : tous les fichiers). Rend le chemin complet choisi, vide si l'utilisateur annule.
QString ChoisirFichier(QWidget* propriétaire, const QString& filtre, const QString& titre,
                       const QString& dossierInitial);
// Choix d'un dossier ; texte1 suivi de texte2 est la consigne. Rend le chemin (séparateurs du
// système), vide si l'utilisateur annule.
QString ChoisirDossier(QWidget* propriétaire, const QString& texte1, const QString& texte2);

namespace Dialogues {

// Filtre de boîte Qt (« Tous les fichiers (*);;… ») depuis un filtre « description|motif|… ».
QString filtreQt(const QString& filtre);

// Ce qu'un dialogue demande, pour les tests.
struct Demande {
    enum class Genre { Fichier, Dossier };
    Genre genre = Genre::Fichier;
    QString titre; // titre du fichier, consigne du dossier
    QString filtre;
    QString dossierInitial;
};
// Pour les tests : répond à la place des dialogues (nullptr : retour aux vrais dialogues).
void installerRépondeur(std::function<QString(const Demande&)> répondeur);

} // namespace Dialogues

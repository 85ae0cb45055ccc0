#pragma once
// Pièces communes des fenêtres : légendes liées à leur contrôle, boutons dessinés, listes à
// cocher, gestionnaires protégés contre les exceptions, centrage et bascule de largeur en twips.
#include <QObject>
#include <QString>
#include <functional>
#include <type_traits>
#include <utility>

class BTL;
class QAbstractButton;
class QCheckBox;
class QLabel;
class QListWidget;
class QWidget;

namespace Kit {

// La légende devient le compagnon du contrôle (Alt+lettre) et lui donne son nom accessible.
void associer(QLabel* légende, QWidget* contrôle);
// Une légende nommée ; avec un contrôle, associée à lui.
QLabel* légende(const QString& nom, const QString& texte, QWidget* parent, QWidget* contrôle = nullptr);
// Un bouton dessiné nommé ; bulle et nom accessible s'ils sont donnés.
BTL* bouton(const QString& nom, const QString& texte, QWidget* parent, const QString& bulle = {},
            const QString& nomAccessible = {});
QCheckBox* caseÀCocher(const QString& nom, const QString& texte, QWidget* parent);
// Une liste de lignes à cocher, une seule sélectionnée, sans défilement horizontal.
QListWidget* listeÀCocher(const QString& nom, QLabel* titre, QWidget* parent);
// Ajoute une ligne à cocher, décochée.
void ajouterLigneÀCocher(QListWidget* liste, const QString& texte, const QString& bulle);

// Coupe les signaux des contrôles vers la fenêtre : ils sont détruits après elle et ne doivent
// plus atteindre son état (perte du focus d'une liste…).
void débrancherEnfants(QObject* fenêtre);

// Centre la fenêtre horizontalement sur son écran, sans changer sa hauteur.
void centrerHorizontalement(QWidget* fenêtre);
// Centre la fenêtre dans les deux sens sur la partie libre de son écran.
void centrer(QWidget* fenêtre);

// Largeur d'une fenêtre qui bascule entre une largeur étroite et une large (twips, la large
// bornée par l'écran) : le bouton dit « >>>> » quand elle est étroite, « <<<< » sinon, et
// placer() redispose ce qui dépend de la largeur.
class BasculeLargeur final {
public:
    BasculeLargeur(QWidget* fenêtre, QAbstractButton* bouton, int étroiteTwips, int largeTwips,
                   std::function<void()> placer);
    bool estÉlargie() const;
    void replier();
    void élargir();
    // L'une ou l'autre, puis la fenêtre se recentre.
    void basculer();

private:
    void fixerLargeur(int pixels);

    QWidget* m_fenêtre;
    QAbstractButton* m_bouton;
    int m_étroite;
    int m_large;
    std::function<void()> m_placer;
};

// Exécute les gestionnaires d'une fenêtre sans laisser passer d'exception : ce qui échappe
// devient une erreur non répertoriée ; après() (remise à jour des contrôles) suit chaque appel.
class Protection final {
public:
    // inconnue : la description d'une exception qui n'en donne pas.
    explicit Protection(QString inconnue, std::function<void()> après = {});
    void operator()(const std::function<void()>& gestionnaire) const;

    // Branche un signal sur un gestionnaire protégé ; le gestionnaire reçoit les arguments du
    // signal s'il les prend.
    template <class Émetteur, class Signal, class Gestionnaire>
    QMetaObject::Connection brancher(const Émetteur* émetteur, Signal signal, const QObject* contexte,
                                     Gestionnaire gestionnaire) const {
        return QObject::connect(émetteur, signal, contexte, [this, gestionnaire](auto&&... arguments) {
            (*this)([&] {
                if constexpr (std::is_invocable_v<const Gestionnaire&, decltype(arguments)...>)
                    gestionnaire(std::forward<decltype(arguments)>(arguments)...);
                else
                    gestionnaire();
            });
        });
    }

private:
    QString m_inconnue;
    std::function<void()> m_après;
};

} // namespace Kit

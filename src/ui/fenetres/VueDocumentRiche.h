#pragma once
// Vue d'un DocumentRiche : montre son texte avec ses formats (gras, italique, couleur, police,
// taille). Éditable, une modification de l'utilisateur est reportée dans le modèle ; une
// modification du modèle est montrée par rafraîchir(). Les positions se traduisent ici seulement :
// un saut de ligne compte deux caractères dans le modèle (CR LF), un dans la vue.
#include "ui/DocumentRiche.h"

#include <QTextEdit>
#include <vector>

class VueDocumentRiche final : public QTextEdit {
    Q_OBJECT

public:
    explicit VueDocumentRiche(QWidget* parent = nullptr);

    // Document montré (non possédé) ; la vue se remplit aussitôt. nullptr : vue vide.
    void définirDocument(DocumentRiche* document);
    DocumentRiche* documentRiche() const { return m_document; }

    // À appeler après une modification du modèle : seule la partie changée (texte ou format) est
    // réécrite, la sélection du modèle est reprise et le défilement gardé. L'historique
    // d'annulation de la vue repart de là.
    void rafraîchir();
    // Reprend la sélection du modèle et fait défiler pour la montrer.
    void montrerSélection();

    // Traductions de positions entre le modèle et la vue (bornées au texte). Une position du
    // modèle au milieu d'un CR LF donne la fin de sa ligne dans la vue.
    qsizetype positionModèleVersVue(qsizetype position) const;
    qsizetype positionVueVersModèle(qsizetype position) const;

    // Le survol de la souris donne le focus clavier à la vue.
    void définirFocusAuSurvol(bool oui) { m_focusAuSurvol = oui; }

signals:
    // Une modification de l'utilisateur vient d'être reportée dans le modèle.
    void modifieeParUtilisateur();

protected:
    void enterEvent(QEnterEvent* e) override;

private:
    // Format de chaque caractère, par suites (un gros texte n'a que quelques suites) : le début de
    // chaque suite, croissant et le premier à 0, et son index dans m_formats.
    struct SuitesDeFormats {
        std::vector<qsizetype> débuts;
        std::vector<std::uint16_t> index;
        std::uint16_t en(qsizetype position) const;
        // Début de la suite qui suit celle de position (fin du texte : la plus grande valeur).
        qsizetype suivante(qsizetype position) const;
    };
    static SuitesDeFormats suitesDe(const ContenuRiche& c, std::vector<FormatCaractere>& table);

    void viderVue();
    void reporterDansLeModèle();
    void reporterSélection();
    void appliquerSélection();
    void remplacerPlage(qsizetype début, qsizetype finAncienne, const ContenuRiche& nouveau,
                        const SuitesDeFormats& formats, qsizetype finNouvelle);

    DocumentRiche* m_document = nullptr;
    // Ce que montre la vue : texte du modèle et format de chaque caractère (index dans m_formats).
    QString m_texteMontré;
    SuitesDeFormats m_formatsMontrés;
    std::vector<FormatCaractere> m_formats;
    bool m_miseÀJour = false;
    bool m_focusAuSurvol = false;
};

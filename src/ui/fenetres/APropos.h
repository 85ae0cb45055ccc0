#pragma once
// Fenêtre « À propos » : titre, version, description, contact et historique des versions.
#include <QDialog>

class QLabel;
class VueDocumentRiche;
class DocumentRiche;

class APropos final : public QDialog {
    Q_OBJECT

public:
    explicit APropos(QWidget* parent = nullptr);
    ~APropos() override;

    // Bouton « Historique » : charge Historique.rtf du dossier d'installation dans RTFHistorique et
    // le montre ; un fichier absent ou illisible donne un message et l'historique intégré.
    void chargerHistorique();

    // Chemin du fichier d'historique.
    static QString cheminHistorique();

protected:
    bool eventFilter(QObject* objet, QEvent* e) override;

private:
    QLabel* m_contact = nullptr;
    DocumentRiche* m_historique = nullptr;
    VueDocumentRiche* m_vueHistorique = nullptr;
};

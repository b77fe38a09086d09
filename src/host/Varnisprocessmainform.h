#pragma once

#include "AutoProcessSettings.h"
#include "MessageBoxDialogs.h"

#include <QGroupBox>
#include <QWidget>
#include <vector>

class ProcessHost;
class QButtonGroup;
class QCheckBox;
class QGridLayout;
class QLineEdit;
class QListView;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableView;

// A titled group of radio items; the chosen item is an index (0 = first, -1 = none).
class RadioGroupBox : public QGroupBox {
    Q_OBJECT
public:
    RadioGroupBox(const QString& title, const QStringList& items, QWidget* parent = nullptr);

    int itemIndex() const;
    void setItemIndex(int index);
    int count() const { return static_cast<int>(items_.size()); }
    QRadioButton* item(int index) const { return items_.at(static_cast<size_t>(index)); }
    // Puts a field on the same row as an item, as the clock and minutes fields sit.
    void addBeside(int index, QWidget* widget);
    // Lines the fields of stacked groups up in one column.
    void setItemColumnWidth(int width);
    int itemColumnHint() const;

Q_SIGNALS:
    // The operator chose another item (not emitted while nothing is chosen).
    void itemIndexChanged(int index);

private:
    std::vector<QRadioButton*> items_;
    QButtonGroup* buttons_;
    QGridLayout* grid_;
};

// The main window: shows and edits the host's settings and forwards its buttons.
// Controls carry the object names of the settings they show.
class TVarnisProcessMain : public QWidget {
    Q_OBJECT
public:
    explicit TVarnisProcessMain(ProcessHost& host, QWidget* parent = nullptr);
    ~TVarnisProcessMain() override;

    ProcessHost& host() { return host_; }

    // Model -> controls and controls -> model.
    void fillControls();
    void readControls();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Period fields keep a blank for a one-digit hour; clock fields a leading zero.
    enum class TextKind { Plain, Period, Clock };

    void buildControls();
    QWidget* buildSettingsPage();
    QWidget* buildStatusPage();
    QLineEdit* textEdit(const char* name, QString AutoProcessSettings::*value, TextKind kind = TextKind::Plain);
    RadioGroupBox* radioGroup(const char* name, const QString& title, const QStringList& items,
                              int AutoProcessSettings::*value);
    QGroupBox* checkGroup(const char* name, const QString& title, bool AutoProcessSettings::*value);
    QPushButton* hiddenButton(const char* name, const QString& caption, void (ProcessHost::*slot)());
    void btStartClick();
    void showLastLine();

    struct TextField {
        QLineEdit* edit;
        QString AutoProcessSettings::*value;
        TextKind kind;
    };
    struct RadioField {
        RadioGroupBox* group;
        int AutoProcessSettings::*value;
    };
    struct CheckField {
        QCheckBox* box;
        bool AutoProcessSettings::*value;
    };

    ProcessHost& host_;
    MessageBoxDialogs dialogs_;
    bool activationQueued_ = false;
    bool filling_ = false;  // the controls are being filled from the settings

    std::vector<TextField> texts_;
    std::vector<RadioField> radios_;
    std::vector<CheckField> checks_;

    QTabWidget* pgLappuses = nullptr;
    QWidget* tabIestatisana = nullptr;
    QWidget* tabProcess = nullptr;
    QListView* lstProcess = nullptr;
    QWidget* tabStavoklis = nullptr;
    QTableView* grdStavoklis = nullptr;
    QPushButton* btStart = nullptr;
    QPushButton* btClose = nullptr;
};

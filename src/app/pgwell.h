#pragma once

#include "reader/form3.h"
#include "viewer/viewer.h"

#include <QPointer>
#include <QWidget>

class Browser;
class FavoritesActions;
class ClickLabel;
class DirListBox;
class DriveListBox;
class FileListBox;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QRadioButton;
class RichTextBox;
class QTimer;
class StepTimer;
struct Platform;

// The main window. Its controls keep the names the whole program uses for them; each is also
// the control's objectName. Behaviour lives in the classes that wire themselves to them.
class pgwell : public QWidget
{
    Q_OBJECT

public:
    struct Options
    {
        QString startPath; // a file or folder to open at start; empty for the usual start
        StepTimer *autoViewTimer = nullptr; // Auto view steps on this; Timer1 when none
    };

    explicit pgwell(Platform &platform);
    pgwell(Platform &platform, const Options &options);
    ~pgwell() override;

    Platform &platform() const { return m_platform; }
    // Opens a file (its folder in the lists, the file shown) or a folder, as at start.
    void openStartPath(const QString &path);
    // Decided once at start-up; every favorites operation works in this one folder.
    QString favoritesFolder() const { return m_favoritesFolder; }

    // The window's working state: the shown file, the read in flight, the folder ...
    Viewer &viewer() const { return *m_viewer; }

    // The window's height in twips; it unrolls to fullHeightTwips on Timer2's first tick.
    static constexpr int fullWidthTwips = 12000;
    static constexpr int fullHeightTwips = 8970;
    int heightTwips() const { return m_heightTwips; }
    void setHeightTwips(int twips);

    // The full-screen reader: created hidden on first use, destroyed by its own Close.
    Form3 *reader();
    Form3 *existingReader() const { return m_reader && !m_reader->isClosed() ? m_reader : nullptr; }

    Browser &browser() const { return *m_browser; }
    FavoritesActions &favoritesActions() const { return *m_favoritesActions; }

    QWidget *client = nullptr; // the area inside the window's thin border

    // Title bar
    ClickLabel *Image5 = nullptr;
    ClickLabel *Label4 = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command1 = nullptr;

    // Viewing pane and folder label
    RichTextBox *Text1 = nullptr;
    ClickLabel *Label1 = nullptr;

    // Formatting panel
    QFrame *fm1 = nullptr;
    ClickLabel *Label17 = nullptr;
    ClickLabel *Label5 = nullptr;
    ClickLabel *Label14 = nullptr;
    ClickLabel *Label15 = nullptr;
    ClickLabel *Label16 = nullptr;
    ClickLabel *Label18 = nullptr;
    QFrame *Line1 = nullptr;
    QFrame *Line3 = nullptr;
    QFrame *Line4 = nullptr;
    QFrame *Line5 = nullptr;

    // Auto view panel
    QGroupBox *frm = nullptr;
    QCheckBox *Check1 = nullptr;
    QRadioButton *Option1 = nullptr;
    QRadioButton *Option2 = nullptr;
    QPushButton *ok = nullptr;
    ClickLabel *Label3 = nullptr;
    QFrame *Shape1 = nullptr;

    // Browser panel
    QFrame *f1 = nullptr;
    FileListBox *File1 = nullptr;
    DirListBox *Dir1 = nullptr;
    DriveListBox *Drive1 = nullptr;
    QPushButton *find = nullptr;
    QPushButton *Command7 = nullptr;
    QPushButton *Command8 = nullptr;
    QPushButton *Command6 = nullptr;
    QPushButton *Command5 = nullptr;
    QRadioButton *cap = nullptr;
    QRadioButton *min = nullptr;
    QRadioButton *Option3 = nullptr;

    // Find panel
    QGroupBox *fnd = nullptr;
    QLineEdit *Text2 = nullptr;
    QPushButton *Command10 = nullptr;
    QPushButton *Command11 = nullptr;
    QPushButton *Command9 = nullptr;

    // Favorites list and its pop-up menu
    FileListBox *File2 = nullptr;
    QMenu *favo = nullptr;
    QAction *remt = nullptr;
    QAction *open = nullptr;
    QAction *ref = nullptr;

    // Toolbar
    QFrame *tlbr = nullptr;
    ClickLabel *Label19 = nullptr;
    ClickLabel *m1 = nullptr;
    ClickLabel *Label8 = nullptr;
    ClickLabel *m2 = nullptr;
    ClickLabel *Label7 = nullptr;
    ClickLabel *Image1 = nullptr;
    ClickLabel *Label10 = nullptr;
    ClickLabel *sav = nullptr;
    ClickLabel *Label9 = nullptr;
    ClickLabel *reall = nullptr;
    ClickLabel *Label11 = nullptr;
    ClickLabel *com = nullptr;
    ClickLabel *Label12 = nullptr;
    ClickLabel *Image4 = nullptr;
    ClickLabel *Label13 = nullptr;

    // Hidden labels of the layout; they hold nothing the program reads
    ClickLabel *active = nullptr;
    ClickLabel *win = nullptr;
    ClickLabel *Label2 = nullptr;

    // Hidden picture stores: the toolbar's released and pressed pictures
    ClickLabel *add = nullptr;
    ClickLabel *add1 = nullptr;
    ClickLabel *del = nullptr;
    ClickLabel *del1 = nullptr;
    ClickLabel *save = nullptr;
    ClickLabel *save1 = nullptr;
    ClickLabel *new11 = nullptr;
    ClickLabel *new1 = nullptr;
    ClickLabel *refall = nullptr;
    ClickLabel *refall1 = nullptr;
    ClickLabel *co = nullptr;
    ClickLabel *co1 = nullptr;

    QTimer *Timer1 = nullptr;
    QTimer *Timer2 = nullptr;

signals:
    void quitConfirmed();
    void readerCreated(Form3 *reader);

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void startUp(const Options &options);
    void writeSettingsEntry();
    void layOut();
    void initialise();
    void unroll();
    void quit();
    bool confirmQuit(); // asks the quit question; true when the program ends

    Platform &m_platform;
    Browser *m_browser = nullptr;
    FavoritesActions *m_favoritesActions = nullptr;
    QString m_favoritesFolder;
    Viewer *m_viewer = nullptr;
    QPointer<Form3> m_reader;
    int m_heightTwips = fullHeightTwips;
    bool m_ending = false; // the user confirmed the quit question
};

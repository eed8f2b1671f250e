# Form1, the program's window, as data. tools/formgen/formgen.py turns this
# into the stored description that the program carries in its resources.
#
# Positions are (left, top, width, height) in twips, relative to the client
# area of the containing control. Children are listed in stacking order,
# topmost first. Colours are 0x00BBGGRR. A hosted control's "stored" dict is
# its stored property set, keys in the order they are written (the extent
# keys are hundredths of a millimetre and must match the control's size).
# Pictures name files in app/resources/pictures/ with the format and pixel
# size each must have. The vocabulary (Window, Label, Font, ...) is formgen's.

# The window object's class, the window's interface and the host's form class.
CLASS_IDS = (
    "{192E7145-3C6D-456F-87CE-D80F236CFB5C}",
    "{EE85A7B9-D65E-4920-A337-0BC3195EE993}",
    "{1C528AA7-B490-4110-96AF-9189084EA788}",
)

WHITE = 0x00FFFFFF
BLACK = 0x00000000
NAVY = 0x00800000

VERDANA = Font("Verdana", 8.25)
VERDANA_SMALL = Font("Verdana", 6.75)
SANS_ARABIC = Font("MS Sans Serif", 8.25, charset=178)
ARIAL_ARABIC = Font("Arial", 8.25, charset=178)
TAHOMA = Font("Tahoma", 8.25)

COPYRIGHT = "Copyright \u00a9 2007 Kavrel. Tous droits r\u00e9serv\u00e9s."

DESCRIPTION = (
    " " * 14
    + "Avec Kavrel Vorlisk, vous pouvez optimiser la configuration de Winodws pour Internet ou pour votre "
    "R\u00e9seau ... Pour une performance qui peut atteindre 300 % dans certains PC quelque soit le type du "
    "materiels .."
)


def option(name, caption, position, tab_index, selected):
    return Option(name, caption=caption, font=VERDANA, position=position, back_color=WHITE,
                  value=selected, tab_index=tab_index)


def frame(name, caption, position, extent, font, tab_index, children):
    return Hosted(name, "FramePlusCtl.FramePlus", position=position, tab_index=tab_index,
                  stored={
                      "_extentx": extent[0],
                      "_extenty": extent[1],
                      "backcolor": WHITE,
                      "style": 5,
                      "font": font,
                      "caption": caption,
                  },
                  children=children)


def button(name, caption, position, tab_index, picture):
    return Hosted(name, "ButtonPlusCtl.ButtonPlus", position=position, tab_index=tab_index,
                  stored={
                      "_extentx": 2566,
                      "_extenty": 873,
                      "backstyle": 0,
                      "picture": picture,
                      "picturealignment": 3,
                      "borderstyle": 5,
                      "maskcolor": WHITE,
                      "backcolor": WHITE,
                      "font": VERDANA,
                      "caption": caption,
                  })


def progress_bar(name, position, tab_index, colour):
    # Only the keys that differ from the bar's defaults, as its save event
    # writes them: Max 100, Min 0, Value 0, Orientation 0, no text, no image.
    return Hosted(name, "KavrelLinkTune.XP_ProgressBar", position=position, visible=False,
                  tab_index=tab_index,
                  stored={
                      "_extentx": 6588,
                      "_extenty": 238,
                      "font": ARIAL_ARABIC,
                      "brushstyle": 0,
                      "color": colour,
                      "scrolling": 1,
                  })


def label(name, caption, position, tab_index, font=None, colour=NAVY, **more):
    props = dict(caption=caption, position=position, transparent=True, tab_index=tab_index, **more)
    if font is not None:
        props["font"] = font
        props["fore_color"] = colour
    return Label(name, **props)


def menu_picture(file):
    return Picture(file, BITMAP, 16, 16, bits=24)


MENU_DECORATION = Hosted("ctxHookMenu1", "KavrelMenu.ctxHookMenu", stored={
    "_extentx": 900,
    "_extenty": 900,
    "bmpcount": 4,
    "menulook": 1,
    "bmp:1": menu_picture("menu_exit.bmp"),
    "mask:1": 16711935.0,  # magenta
    "key:1": "#exit",
    "bmp:2": menu_picture("menu_opti.bmp"),
    "mask:2": 16777215.0,  # white
    "key:2": "#opti",
    "bmp:3": menu_picture("menu_propos.bmp"),
    "mask:3": 16777215.0,
    "key:3": "#propos",
    "bmp:4": menu_picture("menu_site.bmp"),
    "mask:4": 16777215.0,
    "key:4": "#site",
    "font": TAHOMA,
})

CONNECTION_TYPE = frame("FramePlus1", "Type de connexion", (120, 1440, 3735, 1815), (6588, 3201),
                        SANS_ARABIC, 9, [
    option("Adsl1", "ADSL ou Cable ", (600, 435, 1815, 255), 12, False),
    option("Modem1", "Modem", (600, 855, 1215, 255), 11, True),
    option("Lan1", "R\u00e9seaux local (Lan)", (600, 1275, 2295, 255), 10, False),
    Image("Image3", position=(120, 360, 330, 345), picture=Picture("image3.jpg", JPEG, 22, 23)),
    Image("Image2", position=(120, 765, 330, 345), picture=Picture("image2.jpg", JPEG, 22, 23)),
    Image("Image1", position=(120, 1245, 300, 300), picture=Picture("image1.jpg", JPEG, 20, 20)),
])

SPEED = frame("FramePlus2", "La vitesse de votre connexion :", (3960, 1320, 3375, 2655), (5953, 4683),
              SANS_ARABIC, 13, [
    option("r1024", ">=1024 kbps (ADSL ou cable)", (240, 2280, 3015, 255), 19, False),
    option("r512", "512 kbps (ADSL ou cable)", (240, 1920, 2655, 255), 18, False),
    option("r128", "128  kbps (ISDN ou cable)", (240, 1560, 2655, 255), 17, False),
    option("r64", "64 kbps (ISDN)", (240, 1200, 1815, 255), 16, False),
    option("r56", "56  kbps (RTC)", (240, 840, 1815, 255), 15, True),
    option("r33", "33,6 kbps (RTC)", (240, 480, 1815, 255), 14, False),
])

MAIN_FRAME = frame("FramePlus3", "Internet Optimisation :", (120, 120, 7455, 4695), (13150, 8281),
                   VERDANA, 0, [
    progress_bar("Bar1", (120, 4080, 3735, 135), 20, 0x00C56A31),
    Timer("Timer3", enabled=False, interval=150),
    button("command1", "&Optimiser", (4080, 4080, 1455, 495), 7,
           Picture("command1.bmp", BITMAP, 16, 16, bits=24)),
    button("KavrelCmd1", "A Propos", (5760, 4080, 1455, 495), 8, Picture("kavrelcmd1.jpg", JPEG, 21, 21)),
    CONNECTION_TYPE,
    SPEED,
    progress_bar("Bar2", (120, 3600, 3735, 135), 21, 0x0000C000),
    # Label5 over Label4, 15 twips right and 30 down: a white line with a black edge.
    label("Label5", COPYRIGHT, (135, 4350, 3765, 180), 6, VERDANA_SMALL, WHITE),
    label("Label3", "", (2520, 2640, 75, 195), 5),
    label("Label12", DESCRIPTION, (120, 600, 7095, 615), 4, VERDANA),
    label("Label1", "Optimisation en cours ..", (120, 3840, 1800, 180), 3, VERDANA_SMALL, visible=False),
    label("Label2", "R\u00e9glage de Windows ....", (120, 3360, 1740, 180), 2, VERDANA_SMALL, visible=False),
    Image("Image4", position=(240, 3480, 3600, 630), picture=Picture("image4.jpg", JPEG, 240, 42)),
    label("Label4", COPYRIGHT, (120, 4320, 3765, 180), 1, VERDANA_SMALL, BLACK),
    # A white rounded backdrop behind the banner, 75/60 twips wider on the
    # left/right and 135 taller above and below.
    Shape("Shape1", position=(165, 3345, 3735, 900), shape=SHAPE_ROUNDED_RECTANGLE, fill_color=WHITE,
          fill_style=FILL_SOLID),
])

WINDOW = Window(
    "Form1",
    caption="  Kavrel LinkTuner  2007",
    back_color=WHITE,
    enabled=True,
    client_size=(7620, 4875),
    border=BORDER_FIXED_DIALOG,
    control_box=True,
    min_button=False,
    max_button=False,
    start_up=START_CENTER_SCREEN,
    icon=Picture("icon.ico", ICON, 32, 32, bits=8),
    children=[MENU_DECORATION, MAIN_FRAME],
)

MENUS = [
    Menu("file", "&Fichier", [Menu("exit", "&Quitter")]),
    Menu("act", "&Action", [Menu("opti", "&Optimiser")]),
    Menu("h", "&Aide", [
        Menu("propos", "&A propos"),
        Menu("jui", "-"),
        Menu("site", "Kavrel Web site"),
    ]),
]

# A small window description for the fuzzers' seed corpus: every kind of
# record, every property code but the pictures, a hosted control whose
# stored set holds each value type but pictures, and nested menus. Form1's
# own bytes seed the pictures. Encoded by tools/formgen/formgen.py.

CLASS_IDS = (
    "{00000001-0000-0000-0000-000000000000}",
    "{00000002-0000-0000-0000-000000000000}",
    "{00000003-0000-0000-0000-000000000000}",
)

WINDOW = Window(
    "W", caption="Fenêtre", font=Font("Tahoma", 8.25), fore_color=0, back_color=0xFFFFFF, enabled=True,
    client_size=(600, 400), border=BORDER_FIXED_DIALOG, control_box=True, min_button=False, max_button=False,
    start_up=START_CENTER_SCREEN,
    children=[
        Hosted("F", "Frame.F", position=(15, 15, 300, 150), visible=False, tab_index=1,
               stored={"_extentx": 529, "_extenty": 265, "n": -7, "d": 2.5, "s": "é",
                       "font": Font("Arial", 8.25, weight=700, charset=178, italic=True, underline=True,
                                    strikethrough=True)},
               children=[
                   Label("L", caption="x", font=Font("Verdana", 6.75), position=(-1, 0, 10, 10), fore_color=1,
                         back_color=2, transparent=True, visible=True, enabled=False, tab_index=2),
                   Option("O", caption="o", value=True, tab_index=3),
               ]),
        Timer("T", enabled=False, interval=150),
        Shape("S", position=(0, 0, 5, 5), shape=SHAPE_ROUNDED_RECTANGLE, fill_color=0xFFFFFF, fill_style=0),
    ],
)

MENUS = [
    Menu("a", "&A", [Menu("b", "B", [Menu("c", "C")]), Menu("d", "-", visible=False, enabled=False)]),
    Menu("e", "E"),
]

"""The eleven catalog texts: episode and film titles, play ids, cover addresses, preview ids.

Every title is composed from the word lists below, which belong to this project's own
invented world (a harbour town, its couriers, lighthouses and clockwork). Ids are random
but seeded, so every run writes the same bytes.

A text is its lines "k-value" (k counting from 1) joined by CR LF, with no CR LF after the
last line, encoded as GBK.
"""

from .rng import Rng

# Counts of built-in lines.
MANDARIN_EPISODES = 775
JAPANESE_EPISODES = 773
FILMS = 18
STARRED_JAPANESE_IDS = 14

# Where the cover pictures live; a fixture site serves the same path form.
COVER_HOST = "http://pic.covers.test"

PLACES = [
    "雾港", "青石镇", "北风岬", "银杏街", "旧灯塔", "钟楼", "盐湖", "云梯山", "铁桥",
    "星砂海岸", "枫叶渡口", "月影书店", "红砖仓库", "第七站台", "白鹭湾", "沙漏城",
    "琥珀森林", "风车原野", "冰河驿站", "落日集市", "回音峡谷", "玻璃温室", "旧邮局",
    "潮汐神殿", "纸鸢广场", "地下水道", "天文台", "海鸥岛", "蒸汽工坊", "橡木学院",
    "灰烬荒原", "长夜列车", "水晶洞窟", "南方航线", "古井村", "石桥茶馆", "旋转剧场",
]
PERSONS = [
    "少年", "旅人", "船长", "邮差", "钟表匠", "画师", "信使", "守塔人", "小狐狸",
    "老渔夫", "双子姐妹", "见习魔导士", "流浪乐手", "图书管理员", "机械少女", "侦探",
    "学徒", "转学生", "队长", "面具人", "灯匠", "飞行员", "厨师长", "小镇医生",
    "怪盗", "牧羊女", "铸剑师", "新任馆长", "神秘访客", "失忆少女", "老船工",
]
NAMES = [
    "艾琳", "卡洛", "米诺", "塔莉", "修远", "苏禾", "洛安", "维娜", "白枭", "阿棠",
    "莫尔", "齐光", "伊芙", "林鹿", "奥托", "青岚",
]
OBJECTS = [
    "铜铃", "罗盘", "星图", "怀表", "纸飞机", "旧信封", "蓝宝石", "钥匙", "灯笼",
    "风铃", "羽毛笔", "地图碎片", "银色徽章", "木箱", "望远镜", "八音盒", "许愿瓶",
    "红围巾", "密码本", "种子", "齿轮", "船票", "日记", "面具", "白色气球", "琴弦",
    "沙漏", "贝壳", "火柴", "雪花球", "指南针", "旧照片", "金色麦穗", "猫头鹰雕像",
]
EVENTS = [
    "约定", "秘密", "谜题", "冒险", "重逢", "告别", "失踪", "追踪", "决战", "誓言",
    "归来", "试炼", "救援", "逃亡", "守护", "邀请", "交易", "审判", "旅程", "奇迹",
    "危机", "真相", "回忆", "比赛", "庆典", "契约", "传说", "考验", "预言", "迷宫",
]
VERBS = [
    "寻找", "守护", "揭开", "追上", "唤醒", "修好", "夺回", "送出", "解开", "点亮",
    "穿越", "等待", "记住", "带走", "藏起", "拼起", "交出", "找回", "打开", "画下",
]
ADJECTIVES = [
    "消失的", "沉睡的", "燃烧的", "无声的", "最后的", "迷途的", "破碎的", "倒转的",
    "遥远的", "闪光的", "隐形的", "冻结的", "会说话的", "不眠的", "被遗忘的", "第一个",
]
TIMES = [
    "黎明", "午夜", "雨季", "第三天", "满月之夜", "暴风雨前夜", "夏日祭", "初雪",
    "黄昏", "开学日", "启航之日", "停电之夜", "长假最后一天", "钟声响起时",
]
PARTS = [("（前篇）", "（后篇）"), ("（上）", "（下）")]

# The Mandarin dub reads like plain sentences, the Japanese version uses corner quotes
# and short exclamations; both draw on the same world.
MANDARIN_TEMPLATES = [
    "{place}的{object}",
    "{adj}{object}",
    "{person}与{object}的{event}",
    "{verb}{adj}{object}！",
    "{time}，{person}的{event}",
    "{name}{verb}{object}",
    "{person}{verb}{place}的{object}",
    "{event}！{person}在{place}",
    "{adj}{person}和{place}的{event}",
    "{time}的{place}，{name}{verb}{adj}{object}",
    "{name}与{name2}的{event}",
    "{place}{event}之{time}",
]
JAPANESE_TEMPLATES = [
    "{place}的{object}",
    "「{object}」的{event}",
    "{name}，{verb}{object}！",
    "{adj}{place}",
    "{time}的{event}",
    "{person}与「{adj}{object}」",
    "{verb}吧，{name}！",
    "{place}之{event}",
    "{name}和{name2}，{place}的{event}",
    "{adj}{object}与{time}的{person}",
]
FILM_TEMPLATES = [
    "{place}的{event}",
    "{adj}{object}",
    "{place}{event}",
    "{object}之{event}",
]

_BUILT_IN_WORDS = [PLACES, PERSONS, NAMES, OBJECTS, EVENTS, VERBS, ADJECTIVES, TIMES]

DIGITS = "0123456789"
HEX = "0123456789abcdef"
ALNUM = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"


def gbk(text: str) -> bytes:
    return text.encode("gbk")


def _is_clean(text: str) -> bool:
    """No byte of a two-byte character looks like an ASCII sign ("|", "-", "\\" ...)."""
    data = gbk(text)
    i = 0
    while i < len(data):
        if data[i] < 0x80:
            if data[i] in b"-|\r\n":
                return False
            i += 1
            continue
        if i + 1 >= len(data) or data[i + 1] < 0x80:
            return False
        i += 2
    return True


def _check_words():
    for words in _BUILT_IN_WORDS + [[p for pair in PARTS for p in pair]]:
        for word in words:
            if not _is_clean(word):
                raise ValueError(f"word {word!r} does not fit the catalog texts")


def _fill(template: str, rng: Rng) -> str:
    name = rng.pick(NAMES)
    name2 = rng.pick([n for n in NAMES if n != name])
    return template.format(
        place=rng.pick(PLACES), person=rng.pick(PERSONS), name=name, name2=name2,
        object=rng.pick(OBJECTS), event=rng.pick(EVENTS), verb=rng.pick(VERBS),
        adj=rng.pick(ADJECTIVES), time=rng.pick(TIMES))


def _titles(count: int, templates, min_bytes: int, max_bytes: int, seed: int,
            two_part_every: int = 0):
    """count distinct titles of min_bytes .. max_bytes GBK bytes; now and then a story in
    two episodes (one title with both part marks)."""
    rng = Rng(seed)
    titles, seen = [], set()

    def fits(title):
        return min_bytes <= len(gbk(title)) <= max_bytes and title not in seen

    while len(titles) < count:
        title = _fill(rng.pick(templates), rng)
        if two_part_every and len(titles) + 1 < count and rng.below(two_part_every) == 0:
            first_mark, second_mark = rng.pick(PARTS)
            pair = [title + first_mark, title + second_mark]
            if all(fits(t) for t in pair):
                titles += pair
                seen.update(pair)
            continue
        if fits(title):
            titles.append(title)
            seen.add(title)
    return titles


def _rising_numbers(count: int, start: int, low_step: int, high_step: int, rng: Rng):
    """Site ids grow with the upload order, so consecutive episodes get rising numbers."""
    numbers, value = [], start
    for _ in range(count):
        value += rng.between(low_step, high_step)
        numbers.append(str(value))
    return numbers


def _iqiyi_ids(count: int, rng: Rng):
    tv_ids = _rising_numbers(count, 202_311_000, 90, 4_000, rng)
    return [rng.chars(HEX, 32) + "&tvId=" + tv_id for tv_id in tv_ids], tv_ids


def _cover_urls(tv_ids):
    return [f"{COVER_HOST}/image/{tv_id}_160_90.jpg" for tv_id in tv_ids]


def _scrub_preview_ids(count: int, rng: Rng):
    return [rng.chars(ALNUM, rng.between(15, 19)) for _ in range(count)]


def _japanese_sohu_ids(count: int, rng: Rng):
    """Decimal ids, except a few episodes that only an external site carries: "*" + its id."""
    ids = _rising_numbers(count, 1_000_000, 7, 900, rng)
    starred = set()
    while len(starred) < STARRED_JAPANESE_IDS:
        starred.add(rng.below(count))
    for position in sorted(starred):
        ids[position] = "*" + rng.chars(ALNUM, 11)
    return ids


def _film_page_ids(count: int, rng: Rng):
    return ["X" + rng.chars(ALNUM, 12) for _ in range(count)]


def catalog_text(values) -> bytes:
    lines = [f"{k}-{value}" for k, value in enumerate(values, start=1)]
    return gbk("\r\n".join(lines))


def generate():
    """Returns {path under content/: bytes} for the eleven catalog texts."""
    _check_words()
    rng = Rng(0x5645524445_4C01)  # one stream for every id table, in a fixed order
    iqiyi_ids, tv_ids = _iqiyi_ids(MANDARIN_EPISODES, rng)
    tables = {
        "MandarinTitles": _titles(MANDARIN_EPISODES, MANDARIN_TEMPLATES, 8, 42, seed=775,
                                  two_part_every=17),
        "MandarinSohuIds": _rising_numbers(MANDARIN_EPISODES, 3_100_000, 40, 2_500, rng),
        "MandarinLetvIds": _rising_numbers(MANDARIN_EPISODES, 20_400_000, 30, 9_000, rng),
        "MandarinIqiyiIds": iqiyi_ids,
        "CoverUrls": _cover_urls(tv_ids),
        "ScrubPreviewIds": _scrub_preview_ids(MANDARIN_EPISODES, rng),
        "JapaneseTitles": _titles(JAPANESE_EPISODES, JAPANESE_TEMPLATES, 8, 38, seed=773,
                                  two_part_every=23),
        "JapaneseSohuIds": _japanese_sohu_ids(JAPANESE_EPISODES, rng),
        "FilmTitles": _titles(FILMS, FILM_TEMPLATES, 8, 16, seed=18),
        "FilmLetvIds": _rising_numbers(FILMS, 1_500_000, 10_000, 400_000, rng),
        "FilmPageIds": _film_page_ids(FILMS, rng),
    }
    for name, values in tables.items():
        for value in values:
            if "-" in value or "|" in value or not _is_clean(value):
                raise ValueError(f"{name}: value {value!r} cannot be stored")
    return {f"catalog/{name}.txt": catalog_text(values) for name, values in tables.items()}

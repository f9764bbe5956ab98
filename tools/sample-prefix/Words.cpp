#include "Words.h"

#include <algorithm>

namespace sample {

namespace {

// About 1,100 common words of English correspondence, most frequent first:
// function words, then the words of everyday mail, then a general list, with
// a few accented names and loan words for the UTF-8 a real mailbox holds.
// The order is the Zipf rank, so moving a word changes how often it is drawn.
constexpr const char* kRanked[] = {
    "the", "be", "to", "of", "and", "a", "in", "that", "have", "I", "it", "for", "not", "on",
    "with", "he", "as", "you", "do", "at", "this", "but", "his", "by", "from", "they", "we", "say",
    "her", "she", "or", "an", "will", "my", "one", "all", "would", "there", "their", "what", "so",
    "up", "out", "if", "about", "who", "get", "which", "go", "me", "when", "make", "can", "like",
    "time", "no", "just", "him", "know", "take", "people", "into", "year", "your", "good", "some",
    "could", "them", "see", "other", "than", "then", "now", "look", "only", "come", "its", "over",
    "think", "also", "back", "after", "use", "two", "how", "our", "work", "first", "well", "way",
    "even", "new", "want", "because", "any", "these", "give", "day", "most", "us", "is", "was",
    "are", "been", "has", "had", "were", "said", "did", "thanks", "please", "hope", "sorry",
    "thank", "meeting", "next", "week", "today", "tomorrow", "morning", "caf\xc3\xa9", "afternoon",
    "evening", "send", "sent", "email", "message", "attached", "attachment", "file", "files",
    "document", "report", "draft", "review", "comments", "question", "questions", "let", "best",
    "regards", "cheers", "team", "project", "update", "call", "phone", "office", "Monday",
    "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday", "January", "February",
    "March", "April", "May", "June", "July", "August", "na\xc3\xafve", "September", "October",
    "November", "December", "meet", "lunch", "dinner", "coffee", "weekend", "holiday", "trip",
    "flight", "hotel", "train", "bus", "airport", "ticket", "tickets", "invoice", "payment",
    "order", "price", "quote", "budget", "account", "details", "address", "contract", "agreement",
    "customer", "client", "supplier", "delivery", "shipment", "parcel", "package", "schedule",
    "deadline", "agenda", "minutes", "presentation", "slides", "r\xc3\xa9sum\xc3\xa9", "summary",
    "version", "changes", "issue", "problem", "solution", "idea", "plan", "plans", "proposal",
    "copy", "folder", "backup", "computer", "printer", "network", "server", "password", "software",
    "laptop", "screen", "link", "website", "online", "form", "application", "interview", "manager",
    "colleague", "colleagues", "department", "board", "already", "still", "again", "maybe",
    "perhaps", "probably", "certainly", "really", "quite", "much", "d\xc3\xa9j\xc3\xa0", "many",
    "few", "little", "great", "nice", "fine", "better", "early", "late", "final", "different",
    "important", "urgent", "available", "busy", "free", "usual", "family", "children", "kids",
    "birthday", "party", "present", "photos", "pictures", "house", "kitchen", "school", "doctor",
    "appointment", "dentist", "bank", "shop", "groceries", "cake", "recipe", "keys", "bike",
    "luggage", "passport", "visa", "hours", "M\xc3\xbcller", "days", "weeks", "months", "years",
    "date", "figures", "numbers", "totals", "results", "sales", "costs", "expenses", "receipt",
    "stock", "label", "however", "therefore", "otherwise", "instead", "although", "since", "during",
    "without", "within", "between", "through", "word", "each", "write", "long", "thing", "more",
    "number", "sound", "water", "down", "side", "find", "part", "place", "made", "live",
    "Z\xc3\xbcrich", "where", "round", "man", "came", "show", "every", "under", "name", "very",
    "sentence", "help", "low", "line", "differ", "turn", "cause", "mean", "before", "move", "right",
    "boy", "old", "too", "same", "tell", "does", "set", "three", "air", "play", "small", "end",
    "put", "home", "read", "hand", "port", "large", "spell", "add", "land", "here",
    "Fran\xc3\xa7ois", "must", "big", "high", "such", "follow", "act", "why", "ask", "men",
    "change", "went", "light", "kind", "off", "need", "picture", "try", "animal", "point", "mother",
    "world", "near", "build", "self", "earth", "father", "head", "stand", "own", "page", "should",
    "country", "found", "answer", "grow", "study", "learn", "plant", "cover", "food", "sun", "four",
    "Jos\xc3\xa9", "state", "keep", "eye", "never", "last", "thought", "city", "tree", "cross",
    "farm", "hard", "start", "might", "story", "saw", "far", "sea", "draw", "left", "run", "while",
    "press", "close", "night", "real", "life", "north", "open", "seem", "together", "white",
    "begin", "got", "walk", "example", "ease", "paper", "group", "always", "music", "those", "both",
    "S\xc3\xb8ren", "mark", "often", "letter", "until", "mile", "river", "car", "feet", "care",
    "second", "book", "carry", "took", "science", "eat", "room", "friend", "began", "fish",
    "mountain", "stop", "once", "base", "hear", "horse", "cut", "sure", "watch", "colour", "face",
    "wood", "main", "enough", "plain", "girl", "young", "ready", "above", "ever", "red", "list",
    "though", "Bj\xc3\xb6rn", "feel", "talk", "bird", "soon", "body", "dog", "direct", "pose",
    "leave", "song", "measure", "door", "product", "black", "short", "numeral", "class", "wind",
    "happen", "complete", "ship", "area", "half", "rock", "fire", "south", "piece", "told", "knew",
    "pass", "top", "whole", "king", "space", "heard", "hour", "true", "hundred", "five", "remember",
    "step", "hold", "Chlo\xc3\xa9", "west", "ground", "interest", "reach", "fast", "verb", "sing",
    "listen", "six", "table", "travel", "less", "ten", "simple", "several", "vowel", "toward",
    "war", "lay", "against", "pattern", "slow", "centre", "love", "person", "money", "serve",
    "appear", "road", "map", "rain", "rule", "govern", "pull", "cold", "notice", "voice", "unit",
    "power", "town", "certain", "fly", "Ren\xc3\xa9", "fall", "lead", "cry", "dark", "machine",
    "note", "wait", "figure", "star", "box", "noun", "field", "rest", "correct", "able", "pound",
    "done", "beauty", "drive", "stood", "contain", "front", "teach", "gave", "green", "quick",
    "develop", "ocean", "warm", "minute", "strong", "special", "mind", "behind", "clear", "tail",
    "produce", "fact", "street", "inch", "multiply", "nothing", "J\xc3\xbcrgen", "course", "stay",
    "wheel", "full", "force", "blue", "object", "decide", "surface", "deep", "moon", "island",
    "foot", "system", "test", "record", "boat", "common", "gold", "possible", "plane", "stead",
    "dry", "wonder", "laugh", "thousand", "ago", "ran", "check", "game", "shape", "equate", "hot",
    "miss", "brought", "heat", "snow", "tyre", "bring", "yes", "distant", "fill",
    "Dvo\xc5\x99\xc3\xa1k", "east", "paint", "language", "among", "grand", "ball", "yet", "wave",
    "drop", "heart", "heavy", "dance", "engine", "position", "arm", "wide", "sail", "material",
    "size", "vary", "settle", "speak", "weight", "general", "ice", "matter", "circle", "pair",
    "include", "divide", "syllable", "felt", "pick", "sudden", "count", "square", "reason",
    "length", "represent", "art", "subject", "region", "S\xc3\xa3o", "energy", "hunt", "probable",
    "bed", "brother", "egg", "ride", "cell", "believe", "fraction", "forest", "sit", "race",
    "window", "store", "summer", "sleep", "prove", "lone", "leg", "exercise", "wall", "catch",
    "mount", "wish", "sky", "joy", "winter", "sat", "written", "wild", "instrument", "kept",
    "glass", "grass", "cow", "job", "edge", "sign", "visit", "past", "soft", "M\xc3\xa1laga", "fun",
    "bright", "gas", "weather", "month", "million", "bear", "finish", "happy", "flower", "clothe",
    "strange", "gone", "jump", "baby", "eight", "village", "root", "buy", "raise", "solve", "metal",
    "whether", "push", "seven", "paragraph", "third", "shall", "held", "hair", "describe", "cook",
    "floor", "either", "result", "burn", "hill", "safe", "cat", "century", "consider", "type",
    "Krak\xc3\xb3w", "law", "bit", "coast", "phrase", "silent", "tall", "sand", "soil", "roll",
    "temperature", "finger", "industry", "value", "fight", "lie", "beat", "excite", "natural",
    "view", "sense", "ear", "else", "broke", "case", "middle", "kill", "son", "lake", "moment",
    "scale", "loud", "spring", "observe", "child", "straight", "consonant", "nation", "dictionary",
    "milk", "speed", "method", "organ", "Malm\xc3\xb6", "pay", "age", "section", "dress", "cloud",
    "surprise", "quiet", "stone", "tiny", "climb", "cool", "design", "poor", "lot", "experiment",
    "bottom", "key", "iron", "single", "stick", "flat", "twenty", "skin", "smile", "crease", "hole",
    "trade", "melody", "receive", "row", "mouth", "exact", "symbol", "die", "least", "trouble",
    "shout", "except", "wrote", "seed", "tone", "join", "Besan\xc3\xa7on", "suggest", "clean",
    "break", "lady", "yard", "rise", "bad", "blow", "oil", "blood", "touch", "grew", "cent", "mix",
    "wire", "cost", "lost", "brown", "wear", "garden", "equal", "choose", "fell", "fit", "flow",
    "fair", "collect", "save", "control", "decimal", "gentle", "woman", "captain", "practice",
    "separate", "difficult", "protect", "noon", "whose", "locate", "ring", "character",
    "\xc5\x81ukasz", "insect", "caught", "period", "indicate", "radio", "spoke", "atom", "human",
    "history", "effect", "electric", "expect", "crop", "modern", "element", "hit", "student",
    "corner", "supply", "bone", "rail", "imagine", "provide", "agree", "thus", "capital", "chair",
    "danger", "fruit", "rich", "thick", "soldier", "process", "operate", "guess", "necessary",
    "sharp", "wing", "create", "neighbour", "wash", "bat", "G\xc3\xb6teborg", "rather", "crowd",
    "corn", "compare", "poem", "string", "bell", "depend", "meat", "rub", "tube", "famous",
    "dollar", "stream", "fear", "sight", "thin", "triangle", "planet", "hurry", "chief", "colony",
    "clock", "mine", "tie", "enter", "major", "fresh", "search", "yellow", "gun", "allow", "print",
    "dead", "spot", "desert", "suit", "current", "lift", "rose", "continue", "block",
    "N\xc3\xbcrnberg", "chart", "hat", "sell", "success", "company", "subtract", "event",
    "particular", "deal", "swim", "term", "opposite", "wife", "shoe", "shoulder", "spread",
    "arrange", "camp", "invent", "cotton", "born", "determine", "quart", "nine", "truck", "noise",
    "level", "chance", "gather", "stretch", "throw", "shine", "property", "column", "molecule",
    "select", "wrong", "grey", "repeat", "require", "broad", "prepare", "Ren\xc3\xa9" "e", "salt",
    "nose", "plural", "anger", "claim", "continent", "oxygen", "sugar", "death", "pretty", "skill",
    "women", "season", "magnet", "silver", "branch", "match", "suffix", "especially", "fig",
    "afraid", "huge", "sister", "steel", "discuss", "forward", "similar", "guide", "experience",
    "score", "apple", "bought", "led", "pitch", "coat", "mass", "card", "band", "rope", "slip",
    "win", "dream", "Zo\xc3\xab", "condition", "feed", "tool", "total", "basic", "smell", "valley",
    "nor", "double", "seat", "arrive", "master", "track", "parent", "shore", "division", "sheet",
    "substance", "favour", "connect", "post", "spend", "chord", "fat", "glad", "original", "share",
    "station", "dad", "bread", "charge", "proper", "bar", "offer", "segment", "slave", "duck",
    "instant", "market", "degree", "populate", "chick", "dear", "enemy", "reply", "drink", "occur",
    "support", "speech", "nature", "range", "steam", "motion", "path", "liquid", "log", "meant",
    "quotient", "teeth", "shell", "neck",
};

// Word groups that letters repeat far more often than their words alone
// would; they give the text the longer repeats that deflate finds in real mail.
constexpr const char* kPhrases[] = {
    "thank you for", "let me know", "as soon as possible", "looking forward to", "please find attached",
    "I think", "in the", "of the", "would like to", "if you have any questions", "on the other hand",
    "at the moment", "by the way", "I am not sure", "I will send", "could you please", "as far as I know",
    "in the meantime", "at the end of the", "for the first time", "it would be", "we need to",
    "I hope you are well", "have a nice weekend", "see you on", "I have attached", "do not hesitate to",
    "to the", "and the", "for your help", "in touch", "next week", "last week", "this morning",
    "as well as", "a lot of", "one of the", "there is a", "I was wondering if", "sorry for the delay",
    "just a quick note", "many thanks", "kind regards", "all the best", "talk to you soon",
    "at the same time", "in the office", "on Monday", "on Friday", "by the end of the week",
};

}  // namespace

std::span<const char* const> commonPhrases() {
    return kPhrases;
}

std::span<const char* const> rankedWords() {
    return kRanked;
}

ZipfWords::ZipfWords() : words_(rankedWords()) {
    constexpr std::uint64_t kScale = std::uint64_t{1} << 32;
    std::uint64_t total = 0;
    cumulative_.reserve(words_.size());
    for (std::uint64_t rank = 1; rank <= words_.size(); ++rank) cumulative_.push_back(total += kScale / rank);
}

std::string_view ZipfWords::pick(FastRng& rng) const {
    // The total is near 2^35: the remainder's bias is far below anything measurable.
    std::uint64_t roll = rng.next() % cumulative_.back();
    auto at = std::upper_bound(cumulative_.begin(), cumulative_.end(), roll) - cumulative_.begin();
    return words_[static_cast<std::size_t>(at)];
}

}  // namespace sample

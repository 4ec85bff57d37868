the user's own notes

package fl.transitions.easing
{
	/**
	 * Easing with the square of the time: speeds up from rest (easeIn),
	 * slows down to rest (easeOut), or both (easeInOut).
	 */
	public class Regular
	{
		public static function easeIn(t:Number, b:Number, c:Number, d:Number):Number
		{
			const f:Number = t / d;
			return c * f * f + b;
		}

		public static function easeOut(t:Number, b:Number, c:Number, d:Number):Number
		{
			const f:Number = t / d;
			return c * f * (2 - f) + b;
		}

		public static function easeInOut(t:Number, b:Number, c:Number, d:Number):Number
		{
			const f:Number = 2 * t / d;
			if (f < 1)
				return c / 2 * f * f + b;
			const g:Number = f - 1;
			return c / 2 * (1 + g * (2 - g)) + b;
		}
	}
}
